#include "registry/open_key.h"

#include <cstring>
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

// KEY_INFORMATION_CLASS: the key's full native name.
constexpr int kKeyNameInformation = 3;

// The key's full native name ("\REGISTRY\..."), or nothing when it is
// longer than `units` or cannot be told.
std::u16string NativeName(HKEY key, size_t units) {
  // KEY_NAME_INFORMATION: the name's size in bytes, then the name.
  std::vector<ULONG> buffer(1 + (units * 2 + sizeof(ULONG) - 1) / sizeof(ULONG));
  const auto bytes = static_cast<ULONG>(buffer.size() * sizeof(ULONG));
  ULONG used = 0;
  if (syslib::NtQueryKey(key, kKeyNameInformation, buffer.data(), bytes, &used) < 0) return {};
  const ULONG nameBytes = buffer[0];
  if (nameBytes % 2 != 0 || nameBytes > bytes - sizeof(ULONG)) return {};
  std::u16string name(nameBytes / 2, u'\0');
  std::memcpy(name.data(), buffer.data() + 1, nameBytes);
  return name;
}

// The native name of the root a hive code selects; empty when it cannot be
// told. Fixed for the process's life: HKEY_CURRENT_USER is the hive of the
// process's user, which the system maps once.
const std::u16string& RootName(RegistryHive hive) {
  static const std::u16string machine = u"\\REGISTRY\\MACHINE";
  static const std::u16string user = [] {
    RegKey root;
    if (RegOpenCurrentUser(KEY_QUERY_VALUE, root.Receive()) != ERROR_SUCCESS)
      return std::u16string();
    return NativeName(root.get(), 512);
  }();
  return hive == RegistryHive::LocalMachine ? machine : user;
}

// Equal but for the case of ASCII letters, which the registry ignores too.
// Other letters count as different, so a name the registry would take as
// the same key may only send the caller the long way.
bool SameAsciiFolded(std::u16string_view a, std::u16string_view b) {
  const auto fold = [](char16_t unit) {
    return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit + 32) : unit;
  };
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

// Opens the whole path in one call, following whatever links it meets, and
// keeps the key only when its full name is the name asked for: a link on the
// way, the last name included, leads to a key of another name, and so does a
// path the registry cut or read otherwise. False, with nothing kept, for any
// other outcome; the walk then decides.
bool OpenByName(RegistryHive hive, const std::vector<std::u16string_view>& names, REGSAM access,
                RegKey& out) {
  const std::u16string& root = RootName(hive);
  if (root.empty()) return false;
  std::u16string expected = root;
  for (const std::u16string_view name : names) {
    expected += u'\\';
    expected += name;
  }
  RegKey opened;
  if (RegOpenKeyExW(RootKeyFor(hive), win::Wide(expected.c_str() + root.size() + 1), 0,
                    access | KEY_QUERY_VALUE, opened.Receive()) != ERROR_SUCCESS) {
    return false;
  }
  if (!SameAsciiFolded(NativeName(opened.get(), expected.size()), expected)) return false;
  out = std::move(opened);
  return true;
}

// Opens `names` one at a time, each relative to the one before, so that no
// link on the way is ever followed. `step` opens one name; the keys on the
// way get `wayAccess`.
template <class Step>
LSTATUS Walk(RegistryHive hive, const std::vector<std::u16string_view>& names, REGSAM wayAccess,
             REGSAM access, RegKey& out, Step step) {
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

// The key by its name when that is the key reached, else by the walk.
template <class Step>
LSTATUS Open(RegistryHive hive, const std::u16string& key, REGSAM wayAccess, REGSAM access,
             RegKey& out, Step step) {
  const std::vector<std::u16string_view> names = KeyNames(key);
  // No name: the root itself, which is no link.
  if (names.empty()) return OpenSubkeyUnfollowed(RootKeyFor(hive), u"", access, out);
  if (OpenByName(hive, names, access, out)) return ERROR_SUCCESS;
  return Walk(hive, names, wayAccess, access, out, step);
}

}  // namespace

HKEY RootKeyFor(RegistryHive hive) {
  return hive == RegistryHive::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

LSTATUS OpenRegKey(RegistryHive hive, const std::u16string& key, REGSAM access, RegKey& out) {
  return Open(hive, key, KEY_QUERY_VALUE, access, out, OpenSubkey);
}

LSTATUS CreateRegKey(RegistryHive hive, const std::u16string& key, REGSAM access, RegKey& out) {
  return Open(hive, key, KEY_QUERY_VALUE | KEY_CREATE_SUB_KEY, access, out, CreateSubkey);
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
