// Opening keys below the root that a hive code selects. Windows only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "win/scoped_handle.h"

namespace corvane {

// Hive 1 is HKEY_LOCAL_MACHINE; every other code is HKEY_CURRENT_USER.
HKEY RootKeyFor(int32_t hive);

// RegOpenKeyExW in the hive's root; `out` holds the key only on success.
LSTATUS OpenRegKey(int32_t hive, const std::u16string& key, REGSAM access, RegKey& out);
// RegCreateKeyExW (non-volatile) in the hive's root, creating missing keys.
LSTATUS CreateRegKey(int32_t hive, const std::u16string& key, REGSAM access, RegKey& out);

}  // namespace corvane
