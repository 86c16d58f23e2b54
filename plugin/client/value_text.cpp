#include "plugin/client/value_text.h"

#include "protocol/decimal_text.h"
#include "protocol/hex_text.h"
#include "protocol/nul_joined_text.h"

namespace corvane::client {

// The client speaks the same text form the broker decodes.
std::u16string BytesToHex(const std::vector<uint8_t>& bytes) {
  return HexText::Encode(bytes);
}

std::optional<std::vector<uint8_t>> HexToBytes(std::u16string_view hex) {
  std::vector<uint8_t> bytes;
  if (!HexText::Decode(hex, bytes)) return std::nullopt;
  return bytes;
}

std::vector<std::u16string> SplitList(std::u16string_view text) {
  return SplitAtNul(text);
}

std::optional<uint64_t> ParseDecimal(std::u16string_view text, uint64_t max) {
  uint64_t value = 0;
  if (!ReadWholeDigits(text, max, value)) return std::nullopt;
  return value;
}

std::u16string DecimalText(uint64_t value) {
  return FormatDecimal(value);
}

}  // namespace corvane::client
