#include "registry/registry_enum.h"

#include <windows.h>

#include <utility>

#include "registry/key_nesting.h"
#include "registry/open_key.h"
#include "registry/query_string_value.h"
#include "win/scoped_handle.h"
#include "win/wide_text.h"

namespace corvane {
namespace {

// The longest key name is 255 units and the longest value name 16383,
// each plus its terminator.
constexpr DWORD kSubkeyNameUnits = 256;
constexpr DWORD kValueNameUnits = 16384;

// Calls `each(key, name)` for the names that `next(key, index, buffer,
// length)` enumerates, in order. An error ends the listing early; what was
// gathered stays. False only when the key does not open.
template <class Next, class Each>
bool ForEachName(int32_t hive, const std::u16string& key, DWORD units, Next next, Each each) {
  RegKey opened;
  if (OpenRegKey(hive, key, KEY_READ, opened) != ERROR_SUCCESS) return false;
  std::u16string buffer(units, u'\0');
  for (DWORD index = 0;; ++index) {
    DWORD length = units;
    if (next(opened.get(), index, win::Wide(buffer.data()), &length) != ERROR_SUCCESS) break;
    each(opened.get(), std::u16string(buffer.data(), length));
  }
  return true;
}

}  // namespace

bool RegistryListSubkeys(int32_t hive, const std::u16string& key,
                         std::vector<std::u16string>& out) {
  return ForEachName(
      hive, key, kSubkeyNameUnits,
      [](HKEY opened, DWORD index, wchar_t* name, DWORD* length) {
        return RegEnumKeyExW(opened, index, name, length, nullptr, nullptr, nullptr, nullptr);
      },
      [&out](HKEY, std::u16string name) { out.push_back(std::move(name)); });
}

bool RegistryListValues(int32_t hive, const std::u16string& key, std::vector<ValueEntry>& out) {
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

bool RegistryCopyTree(int32_t hive, const std::u16string& source,
                      const std::u16string& destination) {
  // A destination inside the source would receive its own copy again and
  // again: the copy would never end.
  if (IsBelowKey(destination, source)) return false;
  RegKey from;
  if (OpenRegKey(hive, source, KEY_READ, from) != ERROR_SUCCESS) return false;
  RegKey to;
  if (CreateRegKey(hive, destination, KEY_ALL_ACCESS, to) != ERROR_SUCCESS) return false;
  const LSTATUS status = RegCopyTreeW(from.get(), nullptr, to.get());
  to.Reset();
  from.Reset();
  return status == ERROR_SUCCESS;
}

}  // namespace corvane
