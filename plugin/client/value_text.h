// Reading the text forms of request 6 and its reply (protocol/) into
// optional values: nothing where the text has the wrong form.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::client {

// Either case; nothing for an odd length or any other character.
std::optional<std::vector<uint8_t>> HexToBytes(std::u16string_view hex);

// Plain decimal digits only, at most `max`; nothing otherwise.
std::optional<uint64_t> ParseDecimal(std::u16string_view text, uint64_t max);

}  // namespace corvane::client
