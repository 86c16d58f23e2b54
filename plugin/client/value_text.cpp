#include "plugin/client/value_text.h"

#include "requests/hex_text.h"

namespace corvane::client {

// The client speaks the same text form the broker decodes.
std::u16string BytesToHex(const std::vector<uint8_t>& bytes) { return HexText::Encode(bytes); }

std::optional<std::vector<uint8_t>> HexToBytes(std::u16string_view hex) {
  std::vector<uint8_t> bytes;
  if (!HexText::Decode(hex, bytes)) return std::nullopt;
  return bytes;
}

std::vector<std::u16string> SplitList(std::u16string_view text) {
  std::vector<std::u16string> items;
  while (!text.empty()) {
    const size_t end = text.find(u'\0');
    items.emplace_back(text.substr(0, end));
    if (end == std::u16string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return items;
}

std::optional<uint64_t> ParseDecimal(std::u16string_view text, uint64_t max) {
  if (text.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    const auto digit = static_cast<uint64_t>(c - u'0');
    if (value > (max - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

std::u16string DecimalText(uint64_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace corvane::client
