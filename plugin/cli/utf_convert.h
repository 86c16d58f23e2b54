// Conversions between UTF-8 (script files, console output) and the UTF-16
// texts that requests carry.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace corvane::cli {

// Nothing for malformed input (bad sequences, overlong forms, surrogates).
std::optional<std::u16string> Utf8ToUtf16(std::string_view text);

// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// A unit that Utf16ToUtf8Escaped writes by name.
struct NamedEscape {
  char16_t unit;
  const char* text;
};

// Utf16ToUtf8 with some units escaped: those in `named` by their text, and
// those `numbered` picks, and every unpaired surrogate, as `number(unit)`.
// A proper surrogate pair is kept.
std::string Utf16ToUtf8Escaped(std::u16string_view text, std::initializer_list<NamedEscape> named,
                               bool (*numbered)(char16_t unit),
                               std::string (*number)(char16_t unit));

}  // namespace corvane::cli
