#include "registry/registry_values.h"

#include <windows.h>

#include "registry/key_tree.h"
#include "registry/open_key.h"
#include "registry/query_string_value.h"
#include "win/scoped_handle.h"
#include "win/wide_text.h"

namespace corvane {
namespace {

using win::Wide;

template <class Number>
constexpr DWORD kNumberType = sizeof(Number) == 4 ? REG_DWORD : REG_QWORD;

RegistryResult WriteValue(RegistryHive hive, const std::u16string& key, const std::u16string& name,
                          DWORD type, const void* bytes, DWORD size) {
  if (size > kMaxValueDataBytes) return false;
  RegKey created;
  const LSTATUS status = CreateRegKey(hive, key, KEY_WRITE, created);
  if (status != ERROR_SUCCESS) return ResultOf(status);
  return RegSetValueExW(created.get(), Wide(name), 0, type, static_cast<const BYTE*>(bytes),
                        size) == ERROR_SUCCESS;
}

}  // namespace

// Larger data than the number fails with ERROR_MORE_DATA and so is refused
// as well.
template <class Number>
RegistryResult RegistryReadNumber(RegistryHive hive, const std::u16string& key,
                                  const std::u16string& name, Number& out) {
  RegKey opened;
  const LSTATUS openStatus = OpenRegKey(hive, key, KEY_READ, opened);
  if (openStatus != ERROR_SUCCESS) return ResultOf(openStatus);
  DWORD type = 0;
  Number value = 0;
  DWORD size = sizeof(value);
  const LSTATUS status = RegQueryValueExW(opened.get(), Wide(name), nullptr, &type,
                                          reinterpret_cast<BYTE*>(&value), &size);
  opened.Reset();
  if (status != ERROR_SUCCESS || type != kNumberType<Number>) return false;
  out = value;
  return true;
}

template <class Number>
RegistryResult RegistryWriteNumber(RegistryHive hive, const std::u16string& key,
                                   const std::u16string& name, Number value) {
  return WriteValue(hive, key, name, kNumberType<Number>, &value, sizeof(value));
}

template RegistryResult RegistryReadNumber(RegistryHive, const std::u16string&,
                                           const std::u16string&, uint32_t&);
template RegistryResult RegistryReadNumber(RegistryHive, const std::u16string&,
                                           const std::u16string&, uint64_t&);
template RegistryResult RegistryWriteNumber(RegistryHive, const std::u16string&,
                                            const std::u16string&, uint32_t);
template RegistryResult RegistryWriteNumber(RegistryHive, const std::u16string&,
                                            const std::u16string&, uint64_t);

RegistryResult RegistryReadString(RegistryHive hive, const std::u16string& key,
                                  const std::u16string& name, std::u16string& out) {
  RegKey opened;
  const LSTATUS status = OpenRegKey(hive, key, KEY_READ, opened);
  if (status != ERROR_SUCCESS) return ResultOf(status);
  return QueryStringValue(opened.get(), name, out);
}

RegistryResult RegistryWriteString(RegistryHive hive, const std::u16string& key,
                                   const std::u16string& name, const std::u16string& data) {
  // Every unit of the text, embedded U+0000 included, plus the terminator.
  const unsigned long long bytes = (static_cast<unsigned long long>(data.size()) + 1) * 2;
  if (bytes > kMaxValueDataBytes) return false;
  return WriteValue(hive, key, name, REG_SZ, data.c_str(), static_cast<DWORD>(bytes));
}

RegistryResult RegistryDeleteValue(RegistryHive hive, const std::u16string& key,
                                   const std::u16string& name) {
  RegKey opened;
  const LSTATUS openStatus = OpenRegKey(hive, key, KEY_WRITE, opened);
  if (openStatus != ERROR_SUCCESS) return ResultOf(openStatus);
  const LSTATUS status = RegDeleteValueW(opened.get(), Wide(name));
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

// A missing key counts as deleted; one with subkeys is not deleted.
RegistryResult RegistryDeleteKey(RegistryHive hive, const std::u16string& key) {
  RegKey opened;
  const LSTATUS status = OpenRegKey(hive, key, DELETE, opened);
  if (status == ERROR_FILE_NOT_FOUND) return true;
  if (status != ERROR_SUCCESS) return ResultOf(status);
  return DeleteOpenKey(opened.get());
}

RegistryResult RegistryDeleteTree(RegistryHive hive, const std::u16string& key) {
  RegKey opened;
  const LSTATUS status = OpenRegKey(hive, key, KEY_ENUMERATE_SUB_KEYS | DELETE, opened);
  if (status == ERROR_FILE_NOT_FOUND) return true;
  if (status != ERROR_SUCCESS) return ResultOf(status);
  if (DeleteSubkeys(opened.get()) != ERROR_SUCCESS) return false;
  // The key itself must go too; a key that stays (for instance because a
  // subkey appeared meanwhile) is not reported as deleted.
  return DeleteOpenKey(opened.get());
}

RegistryResult RegistryKeyExists(RegistryHive hive, const std::u16string& key) {
  RegKey opened;
  return ResultOf(OpenRegKey(hive, key, KEY_READ, opened));
}

}  // namespace corvane
