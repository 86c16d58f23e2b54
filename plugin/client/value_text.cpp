#include "plugin/client/value_text.h"

#include "protocol/decimal_text.h"
#include "protocol/hex_text.h"

namespace corvane::client {

Result<std::vector<uint8_t>> HexToBytes(std::u16string_view hex) {
  std::vector<uint8_t> bytes;
  if (!HexText::Decode(hex, bytes))
    return ClientError{ErrorKind::Malformed, "not hexadecimal text"};
  return bytes;
}

Result<uint64_t> ParseDecimal(std::u16string_view text, uint64_t max) {
  uint64_t value = 0;
  if (!ReadWholeDigits(text, max, value)) {
    return ClientError{ErrorKind::Malformed, "not a decimal number in range"};
  }
  return value;
}

}  // namespace corvane::client
