// Text helpers shared by the access checks. They build new texts and leave
// their input as it is.
#pragma once

#include <string>
#include <string_view>

#include "protocol/ascii_text.h"  // EqualsAsciiNoCase

namespace corvane {

// Windows takes both slashes as path separators.
constexpr bool IsSeparator(char16_t unit) {
  return unit == u'\\' || unit == u'/';
}

constexpr bool IsAsciiLetter(char16_t unit) {
  return (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z');
}

// Runs of "/" and "\" become one "\"; leading and trailing separators go.
std::u16string NormalizeSeparators(std::u16string_view text);
// Folds A..Z only; other letters stay as they are.
std::u16string AsciiLower(std::u16string_view text);
// True for "..", "\..\" anywhere, a leading "..\" or a trailing "\..".
bool HasTraversal(std::u16string_view text);

}  // namespace corvane
