// Conversions between UTF-8 (script files, console output) and the UTF-16
// texts that requests carry.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvane::cli {

// Nothing for malformed input (bad sequences, overlong forms, surrogates).
std::optional<std::u16string> Utf8ToUtf16(std::string_view text);

// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace corvane::cli
