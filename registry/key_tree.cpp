#include "registry/key_tree.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "registry/open_key.h"
#include "win/scoped_handle.h"
#include "win/wide_text.h"

namespace corvane {
namespace {

using win::Wide;

constexpr REGSAM kDeleteAccess = KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | DELETE;
constexpr REGSAM kCopySourceAccess = KEY_READ;
constexpr REGSAM kCopyDestinationAccess = KEY_READ | KEY_WRITE;

// The name of the subkey at `index`, or the enumeration's status.
LSTATUS SubkeyAt(HKEY key, DWORD index, std::u16string& name) {
  name.assign(kSubkeyNameUnits, u'\0');
  DWORD length = kSubkeyNameUnits;
  const LSTATUS status =
      RegEnumKeyExW(key, index, Wide(name.data()), &length, nullptr, nullptr, nullptr, nullptr);
  name.resize(status == ERROR_SUCCESS ? length : 0);
  return status;
}

// Every value of `from`, of any type, into `to`. A value that grew between
// the size query and its read fails the copy.
LSTATUS CopyValues(HKEY from, HKEY to) {
  DWORD longestName = 0;
  DWORD longestData = 0;
  LSTATUS status = RegQueryInfoKeyW(from, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                    nullptr, &longestName, &longestData, nullptr, nullptr);
  if (status != ERROR_SUCCESS) return status;
  std::u16string name(static_cast<size_t>(longestName) + 1, u'\0');
  std::vector<BYTE> data(static_cast<size_t>(longestData) + 1);
  for (DWORD index = 0;; ++index) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD type = REG_NONE;
    DWORD size = static_cast<DWORD>(data.size());
    status = RegEnumValueW(from, index, Wide(name.data()), &nameLength, nullptr, &type, data.data(),
                           &size);
    if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) return status;
    status = RegSetValueExW(to, Wide(name.data()), 0, type, data.data(), size);
    if (status != ERROR_SUCCESS) return status;
  }
}

}  // namespace

LSTATUS DeleteSubkeys(HKEY key) {
  // The keys being emptied, deepest last; each goes once it has no subkeys.
  // A loop rather than recursion: a tree may be deeper than a stack.
  std::vector<RegKey> below;
  std::u16string name;
  for (;;) {
    const HKEY current = below.empty() ? key : below.back().get();
    const LSTATUS status = SubkeyAt(current, 0, name);
    if (status == ERROR_NO_MORE_ITEMS) {
      if (below.empty()) return ERROR_SUCCESS;
      if (!DeleteOpenKey(below.back().get())) return ERROR_ACCESS_DENIED;
      below.pop_back();
      continue;
    }
    if (status != ERROR_SUCCESS) return status;
    RegKey child;
    const LSTATUS openStatus = OpenSubkeyUnfollowed(current, name, kDeleteAccess, child);
    if (openStatus != ERROR_SUCCESS) return openStatus;
    if (IsRegistryLink(child.get())) {
      if (!DeleteOpenKey(child.get())) return ERROR_ACCESS_DENIED;
      continue;
    }
    below.push_back(std::move(child));
  }
}

namespace {

// The counterpart below `destination` of the source's subkey `name`: opened
// or created when copying; when only looking, opened if it is there (none
// below a key that is not).
LSTATUS Counterpart(HKEY destination, const std::u16string& name, bool copy, RegKey& out) {
  if (copy) return CreateSubkey(destination, name, kCopyDestinationAccess, out);
  if (destination == nullptr) return ERROR_SUCCESS;
  const LSTATUS status = OpenSubkey(destination, name, kCopySourceAccess, out);
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

// Walks the subtree of `from` together with its counterpart below `to`,
// copying the values when `copy`; stops at the first link on either side.
LSTATUS WalkCopy(HKEY from, HKEY to, bool copy) {
  LSTATUS status = copy ? CopyValues(from, to) : ERROR_SUCCESS;
  if (status != ERROR_SUCCESS) return status;
  struct Level {
    RegKey from;
    RegKey to;
    DWORD next = 0;  // the index of the source's next subkey
  };
  // The pairs being walked, deepest last. A loop rather than recursion: a
  // tree may be deeper than a stack.
  std::vector<Level> levels;
  DWORD topNext = 0;
  std::u16string name;
  for (;;) {
    const HKEY source = levels.empty() ? from : levels.back().from.get();
    const HKEY destination = levels.empty() ? to : levels.back().to.get();
    DWORD& next = levels.empty() ? topNext : levels.back().next;
    status = SubkeyAt(source, next, name);
    if (status == ERROR_NO_MORE_ITEMS) {
      if (levels.empty()) return ERROR_SUCCESS;
      levels.pop_back();
      continue;
    }
    if (status != ERROR_SUCCESS) return status;
    ++next;
    Level child;
    status = OpenSubkey(source, name, kCopySourceAccess, child.from);
    if (status == ERROR_SUCCESS) status = Counterpart(destination, name, copy, child.to);
    if (status == ERROR_SUCCESS && copy) status = CopyValues(child.from.get(), child.to.get());
    if (status != ERROR_SUCCESS) return status;
    levels.push_back(std::move(child));
  }
}

}  // namespace

LSTATUS CopySubtree(HKEY from, HKEY to) {
  return WalkCopy(from, to, true);
}

LSTATUS FindLinkInCopy(HKEY from, HKEY to) {
  return WalkCopy(from, to, false);
}

}  // namespace corvane
