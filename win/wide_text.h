// The portable layers keep text as UTF-16 in char16_t; Win32 takes the same
// units as wchar_t. These are the only conversions between the two: no
// copy, only a change of pointer type. Windows only.
#pragma once

#include <string>

namespace corvane::win {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 text is UTF-16");

inline const wchar_t* Wide(const char16_t* text) {
  return reinterpret_cast<const wchar_t*>(text);
}
inline wchar_t* Wide(char16_t* text) {
  return reinterpret_cast<wchar_t*>(text);
}
// NUL-terminated, valid as long as `text` is unchanged.
inline const wchar_t* Wide(const std::u16string& text) {
  return Wide(text.c_str());
}

inline const char16_t* Utf16(const wchar_t* text) {
  return reinterpret_cast<const char16_t*>(text);
}

}  // namespace corvane::win
