// The registry rows of the operation table, run once the key has passed the
// access policy.
#pragma once

#include <cstdint>
#include <string>

namespace corvane {

// Applies the value-name rule where a single value is named, performs the
// operation on `key` (the text the key check judged) and fills `text`. Codes without a registry row
// answer Invalid.
int32_t PerformRegistryOperation(uint32_t operation, int32_t hive, const std::u16string& key,
                                 const std::u16string& name, const std::u16string& data,
                                 std::u16string& text);

}  // namespace corvane
