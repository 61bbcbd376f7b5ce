// Widget labels parse '@' as the start of a symbol ("@->" draws an arrow):
// an entry named "a @-> b" would show as "a". plainLabel() gives the text
// that a label must hold to show `text` exactly as it is.
#pragma once

#include <string>

namespace letterfreq {

std::string plainLabel(const std::string& text);

}  // namespace letterfreq
