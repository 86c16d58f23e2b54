#include "registry/open_key.h"

#include <string_view>
#include <utility>
#include <vector>

#include "protocol/hives.h"
#include "registry/key_nesting.h"
#include "win/system_libraries.h"
#include "win/wide_text.h"

namespace corvane {
namespace {

// A link names its target in this value, of type REG_LINK; the registry
// follows no key without it.
constexpr wchar_t kLinkValue[] = L"SymbolicLinkValue";

// Opens `key` one name at a time, each relative to the one before: opening
// a whole path at once would follow a link in its middle whatever the
// options. `step` opens one name; the keys on the way get `wayAccess`.
template <class Step>
LSTATUS Walk(int32_t hive, const std::u16string& key, REGSAM wayAccess, REGSAM access, RegKey& out,
             Step step) {
  const std::vector<std::u16string_view> names = KeyNames(key);
  // No name: the root itself, which is no link.
  if (names.empty()) return OpenSubkeyUnfollowed(RootKeyFor(hive), u"", access, out);
  RegKey current;
  for (size_t i = 0; i < names.size(); ++i) {
    RegKey next;
    const HKEY parent = current ? current.get() : RootKeyFor(hive);
    const LSTATUS status =
        step(parent, std::u16string(names[i]), i + 1 == names.size() ? access : wayAccess, next);
    if (status != ERROR_SUCCESS) return status;
    current = std::move(next);
  }
  out = std::move(current);
  return ERROR_SUCCESS;
}

}  // namespace

HKEY RootKeyFor(int32_t hive) {
  return hive == HiveCode(RegistryHive::LocalMachine) ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

LSTATUS OpenRegKey(int32_t hive, const std::u16string& key, REGSAM access, RegKey& out) {
  return Walk(hive, key, KEY_QUERY_VALUE, access, out, OpenSubkey);
}

LSTATUS CreateRegKey(int32_t hive, const std::u16string& key, REGSAM access, RegKey& out) {
  return Walk(hive, key, KEY_QUERY_VALUE | KEY_CREATE_SUB_KEY, access, out, CreateSubkey);
}

LSTATUS OpenSubkeyUnfollowed(HKEY parent, const std::u16string& name, REGSAM access, RegKey& out) {
  RegKey opened;
  const LSTATUS status =
      RegOpenKeyExW(parent, win::Wide(name), REG_OPTION_OPEN_LINK, access, opened.Receive());
  if (status == ERROR_SUCCESS) out = std::move(opened);
  return status;
}

LSTATUS OpenSubkey(HKEY parent, const std::u16string& name, REGSAM access, RegKey& out) {
  RegKey opened;
  const LSTATUS status = OpenSubkeyUnfollowed(parent, name, access | KEY_QUERY_VALUE, opened);
  if (status != ERROR_SUCCESS) return status;
  if (IsRegistryLink(opened.get())) return kKeyIsLink;
  out = std::move(opened);
  return ERROR_SUCCESS;
}

LSTATUS CreateSubkey(HKEY parent, const std::u16string& name, REGSAM access, RegKey& out) {
  const LSTATUS status = OpenSubkey(parent, name, access, out);
  if (status != ERROR_FILE_NOT_FOUND) return status;
  RegKey key;
  DWORD disposition = 0;
  const LSTATUS createStatus = RegCreateKeyExW(
      parent, win::Wide(name), 0, nullptr, REG_OPTION_NON_VOLATILE | REG_OPTION_OPEN_LINK,
      access | KEY_QUERY_VALUE, nullptr, key.Receive(), &disposition);
  if (createStatus != ERROR_SUCCESS) return createStatus;
  if (disposition == REG_CREATED_NEW_KEY) {
    out = std::move(key);
    return ERROR_SUCCESS;
  }
  // Someone made the key meanwhile, perhaps as a link: judge it like any
  // key that was there.
  key.Reset();
  return OpenSubkey(parent, name, access, out);
}

bool IsRegistryLink(HKEY key) {
  DWORD type = REG_NONE;
  DWORD size = 0;
  const LSTATUS status = RegQueryValueExW(key, kLinkValue, nullptr, &type, nullptr, &size);
  if (status == ERROR_FILE_NOT_FOUND) return false;
  return status != ERROR_SUCCESS || type == REG_LINK;
}

bool DeleteOpenKey(HKEY key) {
  using DeleteKey = LONG(NTAPI*)(HANDLE);
  static const auto deleteKey =
      reinterpret_cast<DeleteKey>(syslib::FindSystemFunction(L"ntdll.dll", "NtDeleteKey"));
  return deleteKey != nullptr && deleteKey(key) >= 0;
}

}  // namespace corvane
