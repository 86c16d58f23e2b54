// A key of its own for each test below HKCU or HKLM "Software\Corvane",
// removed with everything below it when the test ends, and direct registry
// reads and writes that check the primitives without going through them.
// Windows only.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/hives.h"
#include "win/scoped_handle.h"

namespace corvane::test {

// The hive codes the registry calls take.
inline constexpr RegistryHive kUser = RegistryHive::CurrentUser;
inline constexpr RegistryHive kMachine = RegistryHive::LocalMachine;

inline const wchar_t* W(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline std::u16string U16(const std::string& ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

struct RawValue {
  bool found = false;
  DWORD type = 0;
  std::vector<uint8_t> bytes;
};

inline bool RawKeyExists(HKEY root, const std::u16string& path) {
  RegKey key;
  return RegOpenKeyExW(root, W(path), 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
}

inline void RawCreateKey(HKEY root, const std::u16string& path) {
  RegKey key;
  ASSERT_EQ(
      RegCreateKeyExW(root, W(path), 0, nullptr, 0, KEY_WRITE, nullptr, key.Receive(), nullptr),
      ERROR_SUCCESS);
}

inline void RawSet(HKEY root, const std::u16string& path, const std::u16string& name, DWORD type,
                   const void* data, size_t size) {
  RegKey key;
  ASSERT_EQ(
      RegCreateKeyExW(root, W(path), 0, nullptr, 0, KEY_WRITE, nullptr, key.Receive(), nullptr),
      ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key.get(), W(name), 0, type, static_cast<const BYTE*>(data),
                           static_cast<DWORD>(size)),
            ERROR_SUCCESS);
}

// A string with its terminator, as the registry usually holds one.
inline void RawSetString(HKEY root, const std::u16string& path, const std::u16string& name,
                         const std::u16string& text, DWORD type = REG_SZ) {
  RawSet(root, path, name, type, text.c_str(), (text.size() + 1) * 2);
}

inline void RawSetDword(HKEY root, const std::u16string& path, const std::u16string& name,
                        uint32_t value) {
  RawSet(root, path, name, REG_DWORD, &value, sizeof(value));
}

inline RawValue RawGet(HKEY root, const std::u16string& path, const std::u16string& name) {
  RawValue value;
  RegKey key;
  if (RegOpenKeyExW(root, W(path), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) return value;
  DWORD size = 0;
  if (RegQueryValueExW(key.get(), W(name), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) {
    return value;
  }
  value.bytes.resize(size);
  if (RegQueryValueExW(key.get(), W(name), nullptr, &value.type, value.bytes.data(), &size) !=
      ERROR_SUCCESS) {
    return value;
  }
  value.bytes.resize(size);
  value.found = true;
  return value;
}

inline std::vector<uint8_t> BytesOf(const std::u16string& units) {
  std::vector<uint8_t> bytes;
  for (char16_t u : units) {
    bytes.push_back(static_cast<uint8_t>(u & 0xFF));
    bytes.push_back(static_cast<uint8_t>(u >> 8));
  }
  return bytes;
}

inline std::vector<std::u16string> RawSubkeys(HKEY root, const std::u16string& path) {
  std::vector<std::u16string> names;
  RegKey key;
  if (RegOpenKeyExW(root, W(path), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) return names;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD length = 256;
    if (RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    names.emplace_back(reinterpret_cast<const char16_t*>(name), length);
  }
  return names;
}

inline std::vector<std::u16string> RawValueNames(HKEY root, const std::u16string& path) {
  std::vector<std::u16string> names;
  RegKey key;
  if (RegOpenKeyExW(root, W(path), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) return names;
  std::vector<wchar_t> name(16384);
  for (DWORD i = 0;; ++i) {
    DWORD length = static_cast<DWORD>(name.size());
    if (RegEnumValueW(key.get(), i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    names.emplace_back(reinterpret_cast<const char16_t*>(name.data()), length);
  }
  return names;
}

// "<base>\test-<test name>-<process id>-<n>" in `root`, deleted
// with its whole subtree on destruction.
// Whether this process may create keys below HKLM\Software: under Wine
// (one user owns the prefix) or as an administrator on Windows. A test that
// plants machine keys is skipped without it.
inline bool MachineSoftwareWritable() {
  corvane::RegKey key;
  return RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_CREATE_SUB_KEY, key.Receive()) ==
         ERROR_SUCCESS;
}

inline constexpr const char* kNoMachineWrites =
    "skipped on Windows: it plants keys in HKLM\\Software, which needs admin rights";

class ScratchKey {
 public:
  explicit ScratchKey(HKEY root = HKEY_CURRENT_USER,
                      const std::u16string& base = u"Software\\Corvane")
      : root_(root) {
    static int counter = 0;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string test = info != nullptr ? info->name() : "none";
    leaf_ = U16("test-" + test + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++counter));
    path_ = base + u"\\" + leaf_;
    Remove();
  }
  ~ScratchKey() { Remove(); }
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;

  HKEY root() const { return root_; }
  const std::u16string& path() const { return path_; }
  const std::u16string& leaf() const { return leaf_; }
  std::u16string Sub(const std::u16string& child) const { return path_ + u"\\" + child; }

 private:
  void Remove() {
    RegDeleteTreeW(root_, W(path_));
    RegDeleteKeyW(root_, W(path_));
  }

  HKEY root_;
  std::u16string leaf_;
  std::u16string path_;
};

}  // namespace corvane::test
