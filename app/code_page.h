// Byte values from the sample are shown as the characters they stand for in
// the Windows-1252 code page, which covers the Western European texts the
// databases mostly hold. The toolkit draws UTF-8, so texts are converted
// for display only; the labels themselves stay byte for byte as made.
#pragma once

#include <string>

namespace letterfreq {

// Each byte below 0x80 as it is; 0x80..0x9F through the code page's table
// (its five unassigned bytes become the control characters of the same
// number, as the platform reads them); 0xA0..0xFF as in Latin-1.
std::string windows1252ToUtf8(const std::string& bytes);

}  // namespace letterfreq
