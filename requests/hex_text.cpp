#include "requests/hex_text.h"

#include <array>

namespace corvane {

namespace {

constexpr char16_t kDigits[] = u"0123456789abcdef";
constexpr uint8_t kNotHex = 0xFF;

// Value of each ASCII unit as a hex digit, kNotHex for every other unit. A
// table keeps the 4 MiB contents of a file write to one lookup per unit.
constexpr std::array<uint8_t, 128> MakeDigitValues() {
  std::array<uint8_t, 128> values{};
  for (auto& v : values) v = kNotHex;
  for (int i = 0; i < 10; ++i) values[static_cast<size_t>('0' + i)] = static_cast<uint8_t>(i);
  for (int i = 0; i < 6; ++i) {
    values[static_cast<size_t>('a' + i)] = static_cast<uint8_t>(10 + i);
    values[static_cast<size_t>('A' + i)] = static_cast<uint8_t>(10 + i);
  }
  return values;
}
constexpr std::array<uint8_t, 128> kDigitValues = MakeDigitValues();

uint8_t DigitValue(char16_t c) {
  return c < 128 ? kDigitValues[c] : kNotHex;
}

}  // namespace

std::u16string HexText::Encode(const std::vector<uint8_t>& bytes) {
  std::u16string text(bytes.size() * 2, u'\0');
  char16_t* out = text.data();
  for (const uint8_t b : bytes) {
    *out++ = kDigits[b >> 4];
    *out++ = kDigits[b & 0x0F];
  }
  return text;
}

bool HexText::Decode(std::u16string_view text, std::vector<uint8_t>& bytes) {
  bytes.clear();
  if (text.size() % 2 != 0) return false;
  bytes.resize(text.size() / 2);
  for (size_t i = 0; i < bytes.size(); ++i) {
    const uint8_t high = DigitValue(text[2 * i]);
    const uint8_t low = DigitValue(text[2 * i + 1]);
    if (high == kNotHex || low == kNotHex) {
      bytes.clear();
      return false;
    }
    bytes[i] = static_cast<uint8_t>((high << 4) | low);
  }
  return true;
}

}  // namespace corvane
