#include "plugin/client/value_text.h"

#include "protocol/decimal_text.h"
#include "protocol/hex_text.h"

namespace corvane::client {

std::optional<std::vector<uint8_t>> HexToBytes(std::u16string_view hex) {
  std::vector<uint8_t> bytes;
  if (!HexText::Decode(hex, bytes)) return std::nullopt;
  return bytes;
}

std::optional<uint64_t> ParseDecimal(std::u16string_view text, uint64_t max) {
  uint64_t value = 0;
  if (!ReadWholeDigits(text, max, value)) return std::nullopt;
  return value;
}

}  // namespace corvane::client
