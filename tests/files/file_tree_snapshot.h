// A record of a folder tree (names, sizes, modification times) to prove
// that requests changed nothing outside the places they may touch.
// Windows only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace corvane::test {

struct TreeEntry {
  bool folder = false;
  uint64_t size = 0;
  uint64_t modified = 0;
  bool operator==(const TreeEntry&) const = default;
};

// Keyed by the full path in lower case (Windows compares names that way).
using FileTree = std::map<std::u16string, TreeEntry>;

inline std::u16string LowerPath(std::u16string path) {
  for (auto& c : path) c = static_cast<char16_t>(towlower(static_cast<wchar_t>(c)));
  return path;
}

// Records `root` and everything below it; links are recorded, not followed.
inline void SnapshotInto(const std::u16string& root, FileTree& tree) {
  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileExW(reinterpret_cast<const wchar_t*>((root + u"\\*").c_str()),
                              FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
  if (h == INVALID_HANDLE_VALUE) return;
  std::vector<std::u16string> folders;
  do {
    const std::u16string name(reinterpret_cast<const char16_t*>(found.cFileName));
    if (name == u"." || name == u"..") continue;
    const std::u16string path = root + u"\\" + name;
    TreeEntry entry;
    entry.folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.size = (uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow;
    entry.modified = (uint64_t{found.ftLastWriteTime.dwHighDateTime} << 32) |
                     found.ftLastWriteTime.dwLowDateTime;
    tree[LowerPath(path)] = entry;
    if (entry.folder && (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
      folders.push_back(path);
  } while (FindNextFileW(h, &found));
  FindClose(h);
  for (const auto& folder : folders) SnapshotInto(folder, tree);
}

inline FileTree Snapshot(const std::u16string& root) {
  FileTree tree;
  SnapshotInto(root, tree);
  return tree;
}

// Every path created, changed or deleted between the two records for which
// `mayChange` (given the lower-case path) is false.
inline std::vector<std::u16string> UnexpectedChanges(
    const FileTree& before, const FileTree& after,
    const std::function<bool(const std::u16string&)>& mayChange) {
  std::vector<std::u16string> changes;
  for (const auto& [path, entry] : before) {
    const auto now = after.find(path);
    if (now == after.end()) {
      if (!mayChange(path)) changes.push_back(u"deleted " + path);
    } else if (!(now->second == entry) && !mayChange(path)) {
      changes.push_back(u"changed " + path);
    }
  }
  for (const auto& [path, entry] : after) {
    if (before.count(path) == 0 && !mayChange(path)) changes.push_back(u"created " + path);
  }
  return changes;
}

}  // namespace corvane::test
