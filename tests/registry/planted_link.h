// Registry links that a test plants below HKEY_CURRENT_USER, pointing at
// another key of the same user, and removes as links (never following them)
// when the test ends; and a key outside the Corvane subtree for them to
// point at, whose whole content a test can compare before and after.
// Windows only.
#pragma once

#include <gtest/gtest.h>
#include <sddl.h>
#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/registry/scratch_key.h"

namespace corvane::test {

// The current user's SID as text, from the process token.
inline std::u16string UserSid() {
  UniqueHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive())) return {};
  std::vector<BYTE> buffer(512);
  DWORD size = 0;
  const BOOL got = GetTokenInformation(token.get(), TokenUser, buffer.data(),
                                       static_cast<DWORD>(buffer.size()), &size);
  wchar_t* text = nullptr;
  if (!got ||
      !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
    return {};
  }
  std::u16string sid(reinterpret_cast<const char16_t*>(text));
  LocalFree(text);
  return sid;
}

// A volatile link at `path` (its parent must exist) to HKEY_CURRENT_USER's
// `target`, by the target's native name as links name it.
class PlantedLink {
 public:
  PlantedLink(const std::u16string& path, const std::u16string& target) : path_(path) {
    RegKey link;
    const LSTATUS created = RegCreateKeyExW(HKEY_CURRENT_USER, W(path), 0, nullptr,
                                            REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE,
                                            KEY_ALL_ACCESS, nullptr, link.Receive(), nullptr);
    EXPECT_EQ(created, ERROR_SUCCESS) << "planting a link";
    const std::u16string native = u"\\Registry\\User\\" + UserSid() + u"\\" + target;
    EXPECT_EQ(RegSetValueExW(link.get(), L"SymbolicLinkValue", 0, REG_LINK,
                             reinterpret_cast<const BYTE*>(native.data()),
                             static_cast<DWORD>(native.size() * 2)),
              ERROR_SUCCESS);
  }
  ~PlantedLink() {
    // Deleted through a handle to the link itself: a delete by name would
    // follow it and delete the target.
    RegKey link;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, W(path_), REG_OPTION_OPEN_LINK, DELETE | KEY_QUERY_VALUE,
                      link.Receive()) != ERROR_SUCCESS) {
      return;
    }
    using DeleteKey = LONG(NTAPI*)(HANDLE);
    const auto deleteKey = reinterpret_cast<DeleteKey>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtDeleteKey")));
    if (deleteKey != nullptr) deleteKey(link.get());
  }
  PlantedLink(const PlantedLink&) = delete;
  PlantedLink& operator=(const PlantedLink&) = delete;

 private:
  std::u16string path_;
};

// Every key and value below a key: relative path -> name -> type, data.
using TreeContent =
    std::map<std::u16string, std::map<std::u16string, std::pair<DWORD, std::vector<uint8_t>>>>;

inline void RecordTree(HKEY root, const std::u16string& path, const std::u16string& relative,
                       TreeContent& out) {
  auto& values = out[relative];
  for (const auto& name : RawValueNames(root, path)) {
    const RawValue value = RawGet(root, path, name);
    values[name] = {value.type, value.bytes};
  }
  for (const auto& child : RawSubkeys(root, path)) {
    RecordTree(root, path + u"\\" + child, relative + u"\\" + child, out);
  }
}

// HKEY_CURRENT_USER\Software\Victim, outside the Corvane subtree: a value
// of each common kind and a subkey "deeper" with one of its own. Made anew,
// and removed with everything below it at the end (it holds no links).
class VictimKey {
 public:
  static constexpr char16_t kPath[] = u"Software\\Victim";
  VictimKey() {
    Remove();
    RawSetString(HKEY_CURRENT_USER, kPath, u"secret", u"victim's");
    RawSetDword(HKEY_CURRENT_USER, kPath, u"number", 7);
    RawSetString(HKEY_CURRENT_USER, Sub(u"deeper"), u"inner", u"kept");
  }
  ~VictimKey() { Remove(); }
  VictimKey(const VictimKey&) = delete;
  VictimKey& operator=(const VictimKey&) = delete;

  static std::u16string Sub(const std::u16string& child) { return kPath + (u"\\" + child); }
  TreeContent Content() const {
    TreeContent content;
    RecordTree(HKEY_CURRENT_USER, kPath, u"", content);
    return content;
  }

 private:
  static void Remove() {
    RegDeleteTreeW(HKEY_CURRENT_USER, W(kPath));
    RegDeleteKeyW(HKEY_CURRENT_USER, W(kPath));
  }
};

}  // namespace corvane::test
