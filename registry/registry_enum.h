// Registry primitives over many values: listings and subtree copy.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

struct ValueEntry {
  std::u16string name;  // empty: the key's default value
  std::u16string text;  // string data (REG_SZ, REG_EXPAND_SZ unexpanded), else empty
};

bool RegistryListSubkeys(int32_t hive, const std::u16string& key, std::vector<std::u16string>& out);
bool RegistryListValues(int32_t hive, const std::u16string& key, std::vector<ValueEntry>& out);
bool RegistryCopyTree(int32_t hive, const std::u16string& source,
                      const std::u16string& destination);

}  // namespace corvane
