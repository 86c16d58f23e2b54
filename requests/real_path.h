// Where an opened file really lies: the final path of a handle, with links,
// junctions and short names resolved. The file operations judge that path,
// not the text the request named the file by. Windows only.
#pragma once

#include <windows.h>

#include <string>

namespace corvane {

// Owns a handle from CreateFileW.
class ScopedFile {
 public:
  ScopedFile() = default;
  explicit ScopedFile(HANDLE handle) : handle_(handle) {}
  ~ScopedFile() { Close(); }
  ScopedFile(ScopedFile&& other) noexcept : handle_(other.handle_) {
    other.handle_ = INVALID_HANDLE_VALUE;
  }
  ScopedFile& operator=(ScopedFile&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = other.handle_;
      other.handle_ = INVALID_HANDLE_VALUE;
    }
    return *this;
  }
  ScopedFile(const ScopedFile&) = delete;
  ScopedFile& operator=(const ScopedFile&) = delete;

  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  void Close() {
    if (valid()) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// CreateFileW on an existing object. A pipe reached through a link gets only
// identification-level access to the broker's token. GetLastError() tells
// why an invalid handle came back.
ScopedFile OpenExisting(const std::u16string& path, DWORD access, DWORD share, DWORD flags);
// Opens a folder for its attributes only, sharing as `share` says.
ScopedFile OpenFolder(const std::u16string& path, DWORD share);

// The final path of what `file` refers to, "\\?\" removed and "\\?\UNC\"
// turned into "\\"; empty when the platform cannot tell.
std::u16string FinalPath(HANDLE file);
// The final path of a folder; empty when it cannot be opened.
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
