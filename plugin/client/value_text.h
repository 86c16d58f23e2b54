// The text forms in which request 6 carries numbers, lists and file contents.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::client {

// Two lower-case digits per byte, high nibble first.
std::u16string BytesToHex(const std::vector<uint8_t>& bytes);
// Either case; nothing for an odd length or any other character.
std::optional<std::vector<uint8_t>> HexToBytes(std::u16string_view hex);

// Items each followed by U+0000, as the list operations answer them. A last
// item without its U+0000 is kept.
std::vector<std::u16string> SplitList(std::u16string_view text);

// Plain decimal digits only, at most `max`; nothing otherwise.
std::optional<uint64_t> ParseDecimal(std::u16string_view text, uint64_t max);
std::u16string DecimalText(uint64_t value);

}  // namespace corvane::client
