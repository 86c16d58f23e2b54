// ASCII case folding for the words both ends compare without regard to case
// (hive names, "self"). Only A..Z fold; no other letter does, so results do
// not depend on a locale.
#pragma once

#include <cstddef>
#include <string_view>

namespace corvane {

// Whether `text` is `lowerAscii` with A..Z folded.
constexpr bool EqualsAsciiNoCase(std::u16string_view text, std::string_view lowerAscii) {
  if (text.size() != lowerAscii.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t unit = text[i];
    if (unit >= u'A' && unit <= u'Z') unit = static_cast<char16_t>(unit + 32);
    if (unit != static_cast<unsigned char>(lowerAscii[i])) return false;
  }
  return true;
}

}  // namespace corvane
