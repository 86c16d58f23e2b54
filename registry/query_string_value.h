// Reads a string value of an open key. Windows only.
#pragma once

#include <string>

#include "win/handle_types.h"

namespace corvane {

// REG_SZ or REG_EXPAND_SZ (unexpanded), cut at its first U+0000. False for
// any other type, a missing value or a value too large for a first query
// that grew before the second; `out` is then unchanged.
bool QueryStringValue(HKEY key, const std::u16string& name, std::u16string& out);

}  // namespace corvane
