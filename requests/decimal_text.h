// Decimal numbers in request texts: the replies of the number reads and the
// data of the number writes. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

// Unsigned decimal without padding, as "%lu" and "%llu" print it.
std::u16string FormatDecimal(uint64_t value);

// Base-10 parses in the manner of wcstoll and wcstoull: leading white space
// (tab, line feed, vertical tab, form feed, carriage return, space) skipped,
// one optional sign, digits up to the first other unit; no digits give 0.
// Signed: clamps to the 64-bit limits.
int64_t ParseSignedDecimal(std::u16string_view text);
// Unsigned: overflow gives the largest value; a minus sign negates modulo 2^64.
uint64_t ParseUnsignedDecimal(std::u16string_view text);

}  // namespace corvane
