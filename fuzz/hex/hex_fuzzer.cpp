// Decoding any text either fails with no bytes or yields bytes whose
// encoding is the text in lower case; encoding any bytes decodes back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "protocol/hex_text.h"

namespace {

char16_t Lower(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The input as bytes to encode.
  const std::vector<uint8_t> bytes(data, data + size);
  const std::u16string encoded = corvane::HexText::Encode(bytes);
  Check(encoded.size() == 2 * bytes.size());
  std::vector<uint8_t> roundTrip;
  Check(corvane::HexText::Decode(encoded, roundTrip));
  Check(roundTrip == bytes);

  // The input as UTF-16 text to decode.
  std::u16string text(size / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  std::vector<uint8_t> decoded{0xEE};
  if (corvane::HexText::Decode(text, decoded)) {
    Check(text.size() % 2 == 0);
    Check(decoded.size() == text.size() / 2);
    const std::u16string again = corvane::HexText::Encode(decoded);
    for (size_t i = 0; i < text.size(); ++i) Check(again[i] == Lower(text[i]));
  } else {
    Check(decoded.empty());
    bool allDigits = text.size() % 2 == 0;
    for (char16_t c : text) {
      const char16_t l = Lower(c);
      if (!((l >= u'0' && l <= u'9') || (l >= u'a' && l <= u'f'))) allDigits = false;
    }
    Check(!allDigits);
  }
  return 0;
}
