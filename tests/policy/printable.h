// Readable forms of policy values for test failure messages.
#pragma once

#include <cstdio>
#include <ostream>
#include <string>
#include <string_view>

#include "policy/verdict.h"

namespace corvane {

inline void PrintTo(PolicyVerdict verdict, std::ostream* out) {
  *out << VerdictText(verdict);
}

// ASCII as is, everything else as \uXXXX, so U+0000 and non-ASCII stay visible.
inline std::string Printable(std::u16string_view text) {
  std::string out;
  for (char16_t unit : text) {
    if (unit >= 0x20 && unit < 0x7F) {
      out.push_back(static_cast<char>(unit));
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(unit));
      out += escaped;
    }
  }
  return out;
}

}  // namespace corvane
