#include "registry/registry_enum.h"

#include <windows.h>

#include "registry/key_nesting.h"
#include "registry/open_key.h"
#include "registry/query_string_value.h"
#include "registry/reg_key.h"

namespace corvane {
namespace {

// The longest key name is 255 units and the longest value name 16383,
// each plus its terminator.
constexpr DWORD kSubkeyNameUnits = 256;
constexpr DWORD kValueNameUnits = 16384;

}  // namespace

bool RegistryListSubkeys(int32_t hive, const std::u16string& key,
                         std::vector<std::u16string>& out) {
  RegKey opened;
  if (OpenRegKey(hive, key, KEY_READ, opened) != ERROR_SUCCESS) return false;
  std::u16string buffer(kSubkeyNameUnits, u'\0');
  // An error ends the listing early; what was gathered stays.
  for (DWORD index = 0;; ++index) {
    DWORD length = kSubkeyNameUnits;
    if (RegEnumKeyExW(opened.get(), index, reinterpret_cast<wchar_t*>(buffer.data()), &length,
                      nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      break;
    }
    out.emplace_back(buffer.data(), length);
  }
  return true;
}

bool RegistryListValues(int32_t hive, const std::u16string& key, std::vector<ValueEntry>& out) {
  RegKey opened;
  if (OpenRegKey(hive, key, KEY_READ, opened) != ERROR_SUCCESS) return false;
  std::u16string buffer(kValueNameUnits, u'\0');
  for (DWORD index = 0;; ++index) {
    DWORD length = kValueNameUnits;
    if (RegEnumValueW(opened.get(), index, reinterpret_cast<wchar_t*>(buffer.data()), &length,
                      nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      break;
    }
    ValueEntry entry;
    entry.name.assign(buffer.data(), length);
    // Values that are not strings, or cannot be read, are listed without text.
    QueryStringValue(opened.get(), entry.name, entry.text);
    out.push_back(std::move(entry));
  }
  return true;
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
  to.Close();
  from.Close();
  return status == ERROR_SUCCESS;
}

}  // namespace corvane
