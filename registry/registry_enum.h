// Registry primitives over many values: listings and subtree copy.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/hives.h"
#include "registry/registry_result.h"

namespace corvane {

struct ValueEntry {
  std::u16string name;  // empty: the key's default value
  std::u16string text;  // string data (REG_SZ, REG_EXPAND_SZ unexpanded), else empty
};

RegistryResult RegistryListSubkeys(RegistryHive hive, const std::u16string& key,
                                   std::vector<std::u16string>& out);
RegistryResult RegistryListValues(RegistryHive hive, const std::u16string& key,
                                  std::vector<ValueEntry>& out);
// Refused as through a link when either key's path holds one, when a key
// below the source is one, or when the copy would write into one below the
// destination. Such links are looked for before anything is written; only
// one made during the copy leaves what was copied until then.
RegistryResult RegistryCopyTree(RegistryHive hive, const std::u16string& source,
                                const std::u16string& destination);

}  // namespace corvane
