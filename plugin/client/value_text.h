// Reading the text forms of request 6 and its reply (protocol/): Malformed
// where the text has the wrong form.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "plugin/client/client_result.h"

namespace corvane::client {

// Either case; an odd length or any other character is Malformed.
Result<std::vector<uint8_t>> HexToBytes(std::u16string_view hex);

// Plain decimal digits only, at most `max`.
Result<uint64_t> ParseDecimal(std::u16string_view text, uint64_t max);

}  // namespace corvane::client
