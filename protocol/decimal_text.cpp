#include "protocol/decimal_text.h"

#include <limits>

namespace corvane {
namespace {

constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();

}  // namespace

int64_t ParseSignedDecimal(std::u16string_view text) {
  const LeadingDecimal m = ReadLeadingDecimal(text, kMax, kMax);
  constexpr uint64_t kMaxPositive = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  if (m.negative) {
    if (m.digits.overflow || m.digits.value > kMaxPositive + 1) {
      return std::numeric_limits<int64_t>::min();
    }
    // Two's complement negation; also right for the magnitude 2^63.
    return static_cast<int64_t>(0 - m.digits.value);
  }
  if (m.digits.overflow || m.digits.value > kMaxPositive) {
    return std::numeric_limits<int64_t>::max();
  }
  return static_cast<int64_t>(m.digits.value);
}

uint64_t ParseUnsignedDecimal(std::u16string_view text) {
  const LeadingDecimal m = ReadLeadingDecimal(text, kMax, kMax);
  if (m.digits.overflow) return kMax;
  return m.negative ? 0 - m.digits.value : m.digits.value;
}

}  // namespace corvane
