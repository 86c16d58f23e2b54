// Numbers in request texts: the replies of the number reads, the data of the
// number writes, and the numbers the broker's and the tool's command lines
// carry. Portable. The digit reading below is header-only so that every
// parser shares it without another library; each parser keeps its own rules
// about signs, blanks and what may follow.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

// The white space of the C locale. Other Unicode spaces are not skipped, so
// results do not depend on the C library the code is built with.
constexpr bool IsCSpace(char16_t unit) {
  return unit == u' ' || (unit >= u'\t' && unit <= u'\r');
}

// The digits at the start of a text: how many units they take, and their
// value, which stays at `limit` once the digits exceed it (`overflow`).
struct DigitRun {
  size_t length = 0;
  uint64_t value = 0;
  bool overflow = false;
};

// Base 10, or 16 with either case of a to f.
constexpr DigitRun ReadDigits(std::u16string_view text, uint64_t limit, unsigned base = 10) {
  DigitRun run;
  for (; run.length < text.size(); ++run.length) {
    const char16_t c = text[run.length];
    unsigned digit = 0;
    if (c >= u'0' && c <= u'9') {
      digit = static_cast<unsigned>(c - u'0');
    } else if (base == 16 && c >= u'a' && c <= u'f') {
      digit = static_cast<unsigned>(c - u'a' + 10);
    } else if (base == 16 && c >= u'A' && c <= u'F') {
      digit = static_cast<unsigned>(c - u'A' + 10);
    } else {
      break;
    }
    if (run.overflow || digit > limit || run.value > (limit - digit) / base) {
      run.overflow = true;
      run.value = limit;
    } else {
      run.value = run.value * base + digit;
    }
  }
  return run;
}

// A whole text of base-10 digits (or base-16 ones) no larger than `limit`.
constexpr bool ReadWholeDigits(std::u16string_view text, uint64_t limit, uint64_t& value,
                               unsigned base = 10) {
  const DigitRun run = ReadDigits(text, limit, base);
  if (text.empty() || run.length != text.size() || run.overflow) return false;
  value = run.value;
  return true;
}

// A number in the manner of the C library's strtol family: C white space
// skipped, one optional sign, then decimal digits up to the first other unit.
// The magnitude stops at `negativeLimit` after a minus, else at
// `positiveLimit`.
struct LeadingDecimal {
  bool negative = false;
  DigitRun digits;
};
constexpr LeadingDecimal ReadLeadingDecimal(std::u16string_view text, uint64_t positiveLimit,
                                            uint64_t negativeLimit) {
  LeadingDecimal number;
  size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    number.negative = text[i] == u'-';
    ++i;
  }
  number.digits = ReadDigits(text.substr(i), number.negative ? negativeLimit : positiveLimit);
  return number;
}

// Unsigned decimal without padding, as "%lu" and "%llu" print it.
inline std::u16string FormatDecimal(uint64_t value) {
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

// Base-10 parses in the manner of wcstoll and wcstoull (ReadLeadingDecimal);
// no digits give 0.
// Signed: clamps to the 64-bit limits.
int64_t ParseSignedDecimal(std::u16string_view text);
// Unsigned: overflow gives the largest value; a minus sign negates modulo 2^64.
uint64_t ParseUnsignedDecimal(std::u16string_view text);

}  // namespace corvane
