// The bounds of registry texts, which both ends may check before sending.
// The limits the access policy sets are grants (policy/grants.h).
#pragma once

#include <cstddef>

namespace corvane {

// The registry takes a key text of at most this many units whole; a longer
// one is cut, and the cut text names another key.
inline constexpr size_t kMaxRegistryKeyText = 32766;
// The longest name of one key, and of one value.
inline constexpr size_t kMaxRegistryKeyName = 255;
inline constexpr size_t kMaxRegistryValueName = 16383;

}  // namespace corvane
