#include "registry/registry_values.h"

#include <windows.h>

#include "registry/open_key.h"
#include "registry/query_string_value.h"
#include "registry/reg_key.h"

namespace corvane {
namespace {

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

// Reads a fixed-size number of exactly `type`; larger data fails with
// ERROR_MORE_DATA and so is refused as well.
template <class Number>
bool ReadNumber(int32_t hive, const std::u16string& key, const std::u16string& name,
                DWORD expectedType, Number& out) {
  RegKey opened;
  if (OpenRegKey(hive, key, KEY_READ, opened) != ERROR_SUCCESS) return false;
  DWORD type = 0;
  Number value = 0;
  DWORD size = sizeof(value);
  const LSTATUS status = RegQueryValueExW(opened.get(), Wide(name), nullptr, &type,
                                          reinterpret_cast<BYTE*>(&value), &size);
  opened.Close();
  if (status != ERROR_SUCCESS || type != expectedType) return false;
  out = value;
  return true;
}

bool WriteValue(int32_t hive, const std::u16string& key, const std::u16string& name, DWORD type,
                const void* bytes, DWORD size) {
  if (size > kMaxValueDataBytes) return false;
  RegKey created;
  if (CreateRegKey(hive, key, KEY_WRITE, created) != ERROR_SUCCESS) return false;
  return RegSetValueExW(created.get(), Wide(name), 0, type, static_cast<const BYTE*>(bytes),
                        size) == ERROR_SUCCESS;
}

}  // namespace

bool RegistryReadString(int32_t hive, const std::u16string& key, const std::u16string& name,
                        std::u16string& out) {
  RegKey opened;
  if (OpenRegKey(hive, key, KEY_READ, opened) != ERROR_SUCCESS) return false;
  return QueryStringValue(opened.get(), name, out);
}

bool RegistryWriteString(int32_t hive, const std::u16string& key, const std::u16string& name,
                         const std::u16string& data) {
  // Every unit of the text, embedded U+0000 included, plus the terminator.
  const unsigned long long bytes = (static_cast<unsigned long long>(data.size()) + 1) * 2;
  if (bytes > kMaxValueDataBytes) return false;
  return WriteValue(hive, key, name, REG_SZ, data.c_str(), static_cast<DWORD>(bytes));
}

bool RegistryReadDword(int32_t hive, const std::u16string& key, const std::u16string& name,
                       uint32_t& out) {
  return ReadNumber(hive, key, name, REG_DWORD, out);
}

bool RegistryWriteDword(int32_t hive, const std::u16string& key, const std::u16string& name,
                        uint32_t value) {
  return WriteValue(hive, key, name, REG_DWORD, &value, sizeof(value));
}

bool RegistryReadQword(int32_t hive, const std::u16string& key, const std::u16string& name,
                       uint64_t& out) {
  return ReadNumber(hive, key, name, REG_QWORD, out);
}

bool RegistryWriteQword(int32_t hive, const std::u16string& key, const std::u16string& name,
                        uint64_t value) {
  return WriteValue(hive, key, name, REG_QWORD, &value, sizeof(value));
}

bool RegistryDeleteValue(int32_t hive, const std::u16string& key, const std::u16string& name) {
  RegKey opened;
  if (OpenRegKey(hive, key, KEY_WRITE, opened) != ERROR_SUCCESS) return false;
  const LSTATUS status = RegDeleteValueW(opened.get(), Wide(name));
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool RegistryDeleteKey(int32_t hive, const std::u16string& key) {
  const LSTATUS status = RegDeleteKeyW(RootKeyFor(hive), Wide(key));
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool RegistryDeleteTree(int32_t hive, const std::u16string& key) {
  RegKey opened;
  const LSTATUS openStatus = OpenRegKey(hive, key, KEY_ALL_ACCESS, opened);
  if (openStatus == ERROR_FILE_NOT_FOUND) return true;
  if (openStatus != ERROR_SUCCESS) return false;
  const LSTATUS treeStatus = RegDeleteTreeW(opened.get(), nullptr);
  opened.Close();
  if (treeStatus != ERROR_SUCCESS) return false;
  // The key itself must go too; a key that stays (for instance because a
  // subkey appeared meanwhile) is not reported as deleted.
  const LSTATUS keyStatus = RegDeleteKeyW(RootKeyFor(hive), Wide(key));
  return keyStatus == ERROR_SUCCESS || keyStatus == ERROR_FILE_NOT_FOUND;
}

bool RegistryKeyExists(int32_t hive, const std::u16string& key) {
  RegKey opened;
  return OpenRegKey(hive, key, KEY_READ, opened) == ERROR_SUCCESS;
}

}  // namespace corvane
