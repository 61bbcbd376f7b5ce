#include "widgets/plain_label.h"

namespace letterfreq {

std::string plainLabel(const std::string& text) {
  std::string label;
  label.reserve(text.size());
  for (char c : text) {
    label += c;
    if (c == '@') label += '@';  // "@@" draws one '@'
  }
  return label;
}

}  // namespace letterfreq
