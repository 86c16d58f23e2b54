#include "registry/query_string_value.h"

#include <windows.h>

#include <vector>

#include "win/wide_text.h"

namespace corvane {

bool QueryStringValue(HKEY key, const std::u16string& name, std::u16string& out) {
  const wchar_t* valueName = win::Wide(name);
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key, valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return false;
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;

  // Room for the data plus a terminator even when the stored string has none
  // or an odd byte count; the query is still told only `size`.
  std::vector<char16_t> buffer(size / 2 + 2, u'\0');
  DWORD written = size;
  if (RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                       &written) != ERROR_SUCCESS) {
    return false;
  }
  buffer[written / 2] = u'\0';
  out.assign(buffer.data());
  return true;
}

}  // namespace corvane
