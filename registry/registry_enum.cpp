#include "registry/registry_enum.h"

#include <windows.h>

#include <utility>

#include "registry/key_nesting.h"
#include "registry/key_tree.h"
#include "registry/open_key.h"
#include "registry/query_string_value.h"
#include "win/scoped_handle.h"
#include "win/wide_text.h"

namespace corvane {
namespace {

// The longest value name is 16383 units, plus its terminator.
constexpr DWORD kValueNameUnits = 16384;

// Calls `each(key, name)` for the names that `next(key, index, buffer,
// length)` enumerates, in order. An error ends the listing early; what was
// gathered stays. Not done only when the key does not open.
template <class Next, class Each>
RegistryResult ForEachName(RegistryHive hive, const std::u16string& key, DWORD units, Next next,
                           Each each) {
  RegKey opened;
  const LSTATUS status = OpenRegKey(hive, key, KEY_READ, opened);
  if (status != ERROR_SUCCESS) return ResultOf(status);
  std::u16string buffer(units, u'\0');
  for (DWORD index = 0;; ++index) {
    DWORD length = units;
    if (next(opened.get(), index, win::Wide(buffer.data()), &length) != ERROR_SUCCESS) break;
    each(opened.get(), std::u16string(buffer.data(), length));
  }
  return true;
}

}  // namespace

RegistryResult RegistryListSubkeys(RegistryHive hive, const std::u16string& key,
                                   std::vector<std::u16string>& out) {
  return ForEachName(
      hive, key, kSubkeyNameUnits,
      [](HKEY opened, DWORD index, wchar_t* name, DWORD* length) {
        return RegEnumKeyExW(opened, index, name, length, nullptr, nullptr, nullptr, nullptr);
      },
      [&out](HKEY, std::u16string name) { out.push_back(std::move(name)); });
}

RegistryResult RegistryListValues(RegistryHive hive, const std::u16string& key,
                                  std::vector<ValueEntry>& out) {
  return ForEachName(
      hive, key, kValueNameUnits,
      [](HKEY opened, DWORD index, wchar_t* name, DWORD* length) {
        return RegEnumValueW(opened, index, name, length, nullptr, nullptr, nullptr, nullptr);
      },
      [&out](HKEY opened, std::u16string name) {
        ValueEntry entry;
        entry.name = std::move(name);
        // Values that are not strings, or cannot be read, are listed without text.
        QueryStringValue(opened, entry.name, entry.text);
        out.push_back(std::move(entry));
      });
}

RegistryResult RegistryCopyTree(RegistryHive hive, const std::u16string& source,
                                const std::u16string& destination) {
  // A destination inside the source would receive its own copy again and
  // again: the copy would never end.
  if (IsBelowKey(destination, source)) return false;
  RegKey from;
  LSTATUS status = OpenRegKey(hive, source, KEY_READ, from);
  if (status != ERROR_SUCCESS) return ResultOf(status);
  // Links are looked for before anything is written, so that a copy refused
  // for one leaves the destination as it was, missing or not.
  RegKey existing;
  status = OpenRegKey(hive, destination, KEY_READ, existing);
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return ResultOf(status);
  status = FindLinkInCopy(from.get(), existing.get());
  if (status != ERROR_SUCCESS) return ResultOf(status);
  RegKey to;
  status = CreateRegKey(hive, destination, KEY_READ | KEY_WRITE, to);
  if (status != ERROR_SUCCESS) return ResultOf(status);
  return ResultOf(CopySubtree(from.get(), to.get()));
}

}  // namespace corvane
