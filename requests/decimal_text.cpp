#include "requests/decimal_text.h"

#include <limits>

namespace corvane {
namespace {

// The white space of the C locale. Other Unicode spaces are not skipped, so
// the result does not depend on the C library the broker is built with.
bool IsCSpace(char16_t unit) {
  return unit == u' ' || (unit >= u'\t' && unit <= u'\r');
}

struct Magnitude {
  bool negative = false;
  bool overflow = false;
  uint64_t value = 0;
};

Magnitude ReadMagnitude(std::u16string_view text) {
  Magnitude m;
  size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    m.negative = text[i] == u'-';
    ++i;
  }
  constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    const auto digit = static_cast<uint64_t>(text[i] - u'0');
    if (m.value > (kMax - digit) / 10) {
      m.overflow = true;
    } else {
      m.value = m.value * 10 + digit;
    }
  }
  return m;
}

}  // namespace

std::u16string FormatDecimal(uint64_t value) {
  char16_t digits[20];
  size_t count = 0;
  do {
    digits[count++] = static_cast<char16_t>(u'0' + value % 10);
    value /= 10;
  } while (value != 0);
  std::u16string out;
  while (count > 0) out.push_back(digits[--count]);
  return out;
}

int64_t ParseSignedDecimal(std::u16string_view text) {
  const Magnitude m = ReadMagnitude(text);
  constexpr uint64_t kMaxPositive = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  if (m.negative) {
    if (m.overflow || m.value > kMaxPositive + 1) return std::numeric_limits<int64_t>::min();
    // Two's complement negation; also right for the magnitude 2^63.
    return static_cast<int64_t>(0 - m.value);
  }
  if (m.overflow || m.value > kMaxPositive) return std::numeric_limits<int64_t>::max();
  return static_cast<int64_t>(m.value);
}

uint64_t ParseUnsignedDecimal(std::u16string_view text) {
  const Magnitude m = ReadMagnitude(text);
  if (m.overflow) return std::numeric_limits<uint64_t>::max();
  return m.negative ? 0 - m.value : m.value;
}

}  // namespace corvane
