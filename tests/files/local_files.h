// Direct file-system helpers for the file tests: they set up and inspect
// what the operations under test touch. Windows only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "win/scoped_handle.h"

namespace corvane::test {

inline const wchar_t* W(const std::u16string& s) {
  return reinterpret_cast<const wchar_t*>(s.c_str());
}

inline std::vector<uint8_t> Bytes(const std::string& s) {
  return {s.begin(), s.end()};
}

inline bool WriteBytes(const std::u16string& path, const std::vector<uint8_t>& bytes) {
  const UniqueHandle h(CreateFileW(W(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h) return false;
  DWORD written = 0;
  return bytes.empty() ||
         (WriteFile(h.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
          written == bytes.size());
}

// The file's bytes, or the text "<missing>" when it cannot be opened.
inline std::vector<uint8_t> ReadBytes(const std::u16string& path) {
  const UniqueHandle h(CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr));
  if (!h) return Bytes("<missing>");
  std::vector<uint8_t> out;
  uint8_t buffer[65536];
  DWORD got = 0;
  while (ReadFile(h.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
    out.insert(out.end(), buffer, buffer + got);
  return out;
}

inline DWORD Attributes(const std::u16string& path) {
  return GetFileAttributesW(W(path));
}
inline uint64_t LastWriteTime(const std::u16string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(W(path), GetFileExInfoStandard, &data)) return 0;
  return (uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
}
inline bool Exists(const std::u16string& path) {
  return Attributes(path) != INVALID_FILE_ATTRIBUTES;
}
inline bool IsFolder(const std::u16string& path) {
  const DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Creates every missing level of `path`.
inline void MakeFolders(const std::u16string& path) {
  for (size_t i = 3; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == u'\\') CreateDirectoryW(W(path.substr(0, i)), nullptr);
  }
}

inline void RemoveTree(const std::u16string& path) {
  const DWORD a = Attributes(path);
  if (a == INVALID_FILE_ATTRIBUTES) return;
  if ((a & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    SetFileAttributesW(W(path), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(W(path));
    return;
  }
  // Never empty a link's target: it lies elsewhere.
  if ((a & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    RemoveDirectoryW(W(path));
    return;
  }
  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileW(W(path + u"\\*"), &found);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::u16string name(reinterpret_cast<const char16_t*>(found.cFileName));
      if (name != u"." && name != u"..") RemoveTree(path + u"\\" + name);
    } while (FindNextFileW(h, &found));
    FindClose(h);
  }
  RemoveDirectoryW(W(path));
}

}  // namespace corvane::test
