#include "registry/open_key.h"

#include "protocol/hives.h"
#include "win/wide_text.h"

namespace corvane {

HKEY RootKeyFor(int32_t hive) {
  return hive == HiveCode(Hive::LocalMachine) ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

LSTATUS OpenRegKey(int32_t hive, const std::u16string& key, REGSAM access, RegKey& out) {
  HKEY opened = nullptr;
  const LSTATUS status = RegOpenKeyExW(RootKeyFor(hive), win::Wide(key), 0, access, &opened);
  if (status == ERROR_SUCCESS) out = RegKey(opened);
  return status;
}

LSTATUS CreateRegKey(int32_t hive, const std::u16string& key, REGSAM access, RegKey& out) {
  HKEY created = nullptr;
  const LSTATUS status =
      RegCreateKeyExW(RootKeyFor(hive), win::Wide(key), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                      nullptr, &created, nullptr);
  if (status == ERROR_SUCCESS) out = RegKey(created);
  return status;
}

}  // namespace corvane
