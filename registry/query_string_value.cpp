#include "registry/query_string_value.h"

#include <windows.h>

#include <vector>

#include "win/wide_text.h"

namespace corvane {

namespace {

// A value that fits this many units is read with one query, type and data
// together; each query is a round trip to the registry.
constexpr DWORD kFirstQueryUnits = 256;

bool IsString(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ;
}

}  // namespace

bool QueryStringValue(HKEY key, const std::u16string& name, std::u16string& out) {
  const wchar_t* valueName = win::Wide(name);
  // Room for the data plus a terminator even when the stored string has none
  // or an odd byte count; each query is told only the room for the data.
  std::vector<char16_t> buffer(kFirstQueryUnits + 2, u'\0');
  DWORD type = 0;
  DWORD size = kFirstQueryUnits * 2;
  LSTATUS status = RegQueryValueExW(key, valueName, nullptr, &type,
                                    reinterpret_cast<BYTE*>(buffer.data()), &size);
  if (status == ERROR_MORE_DATA) {
    // `size` is now the data's size: sized for it and read again. A value
    // that grew meanwhile fails that second query.
    if (!IsString(type)) return false;
    buffer.assign(size / 2 + 2, u'\0');
    status = RegQueryValueExW(key, valueName, nullptr, &type,
                              reinterpret_cast<BYTE*>(buffer.data()), &size);
  }
  if (status != ERROR_SUCCESS || !IsString(type)) return false;
  buffer[size / 2] = u'\0';
  out.assign(buffer.data());
  return true;
}

}  // namespace corvane
