// Deterministic mutations of seed inputs for the fuzz replay tests:
// flipped, replaced, inserted, deleted and repeated bytes, and wild
// length words.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "db/record_format.h"

namespace letterfreq {
namespace fuzz {

inline std::vector<uint8_t> mutate(std::vector<uint8_t> bytes,
                                   std::mt19937& random) {
  const int steps = 1 + static_cast<int>(random() % 4);
  for (int s = 0; s < steps; ++s) {
    const size_t at = bytes.empty() ? 0 : random() % bytes.size();
    switch (random() % 6) {
      case 0:
        if (!bytes.empty())
          bytes[at] ^= static_cast<uint8_t>(1u << (random() % 8));
        break;
      case 1:
        if (!bytes.empty()) bytes[at] = static_cast<uint8_t>(random());
        break;
      case 2:
        bytes.insert(
            bytes.begin() + static_cast<long>(at),
            static_cast<uint8_t>(random() % 3 == 0 ? RECORD_DELIM : random()));
        break;
      case 3:
        if (!bytes.empty()) {
          const size_t length = 1 + random() % (bytes.size() - at);
          bytes.erase(bytes.begin() + static_cast<long>(at),
                      bytes.begin() + static_cast<long>(at + length));
        }
        break;
      case 4: {  // repeat a piece, as a duplicated record would be
        const size_t length =
            bytes.empty() ? 0 : 1 + random() % (bytes.size() - at);
        const std::vector<uint8_t> piece(bytes.begin() + static_cast<long>(at),
                          bytes.begin() + static_cast<long>(at + length));
        bytes.insert(bytes.end(), piece.begin(), piece.end());
        break;
      }
      default:
        if (bytes.size() >= at + 9) {  // a wild length word
          bytes[at + 5] = static_cast<uint8_t>(random());
          bytes[at + 8] = static_cast<uint8_t>(random() % 2 ? 0 : 0xFF);
        }
    }
  }
  return bytes;
}

}  // namespace fuzz
}  // namespace letterfreq
