// Where an opened file really lies: the final path of a handle, with links,
// junctions and short names resolved. The file operations judge that path,
// not the text the request named the file by. Windows only.
#pragma once

#include <windows.h>  // the sharing and access flags of the interface

#include <string>

#include "win/scoped_handle.h"

namespace corvane {

// Sharing that lets others read, write, rename and delete meanwhile: the
// broker never keeps another program from its files.
inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// CreateFileW on an existing object. A pipe reached through a link gets only
// identification-level access to the broker's token. GetLastError() tells
// why an empty handle came back.
UniqueHandle OpenExisting(const std::u16string& path, DWORD access, DWORD share, DWORD flags);
// Opens a folder for its attributes only, sharing as `share` says.
UniqueHandle OpenFolder(const std::u16string& path, DWORD share);

// The final path of what `file` refers to, "\\?\" removed and "\\?\UNC\"
// turned into "\\"; empty when the platform cannot tell.
std::u16string FinalPath(HANDLE file);
// The real path of a folder as RealPathOfNearestExisting gives it, so a
// folder that does not exist yet has one too; empty for an empty text.
std::u16string RealFolderPath(const std::u16string& folder);
// Where a path leads as far as it exists: the final path of the path
// itself or of its nearest ancestor that opens (as a folder or a file),
// followed by the remaining components. Empty when nothing opens.
std::u16string RealPathOfNearestExisting(const std::u16string& path);

// The text before the last "\" or "/" (with any run of separators there
// removed) and the text after it; false when there is no separator.
bool SplitLastComponent(const std::u16string& path, std::u16string& folder, std::u16string& leaf);

// Deletes the file when its last handle closes; `file` needs DELETE access.
// Acts on the object opened, whatever its name now resolves to.
bool DeleteOnClose(HANDLE file);

}  // namespace corvane
