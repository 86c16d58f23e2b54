#include "requests/file_ops.h"

#include <windows.h>

#include <limits>

namespace corvane {

namespace {

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

// Owns a file handle from CreateFileW.
class ScopedFile {
 public:
  explicit ScopedFile(HANDLE handle) : handle_(handle) {}
  ~ScopedFile() { Close(); }
  ScopedFile(const ScopedFile&) = delete;
  ScopedFile& operator=(const ScopedFile&) = delete;

  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  void Close() {
    if (valid()) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_;
};

}  // namespace

bool ReadWholeFile(const std::u16string& path, std::vector<uint8_t>& bytes) {
  ScopedFile file(CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxReadSize) return false;
  bytes.assign(static_cast<size_t>(size.QuadPart), 0);
  if (bytes.empty()) return true;
  DWORD read = 0;
  if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
    return false;
  return read == bytes.size();
}

bool WriteFileAtomically(const std::u16string& path, const std::vector<uint8_t>& bytes) {
  // One write call carries the whole buffer; a count that does not fit its
  // 32 bits would write a truncated file and call it success.
  if (bytes.size() > std::numeric_limits<DWORD>::max()) return false;

  const size_t separator = path.rfind(u'\\');
  if (separator != std::u16string::npos) {
    const std::u16string parent = path.substr(0, separator);
    CreateDirectoryW(Wide(parent), nullptr);  // only one level; an existing one is fine
  }

  const std::u16string temporary = path + u".tmp";
  ScopedFile file(CreateFileW(Wide(temporary), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;

  if (!bytes.empty()) {
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
      file.Close();
      DeleteFileW(Wide(temporary));
      return false;
    }
  }
  const bool flushed = FlushFileBuffers(file.get()) != FALSE;
  file.Close();
  if (!flushed) {
    DeleteFileW(Wide(temporary));
    return false;
  }
  if (!MoveFileExW(Wide(temporary), Wide(path),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
    DeleteFileW(Wide(temporary));
    return false;
  }
  return true;
}

bool PathExists(const std::u16string& path) {
  return GetFileAttributesW(Wide(path)) != INVALID_FILE_ATTRIBUTES;
}

bool DeleteFileIfPresent(const std::u16string& path) {
  return DeleteFileW(Wide(path)) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

BrokerStatus CopyIntoTemp(const std::u16string& source, const std::u16string& destination) {
  if (!PathExists(source)) return BrokerStatus::NotFound;
  if (!CopyFileW(Wide(source), Wide(destination), FALSE)) return BrokerStatus::Failed;
  SetFileAttributesW(Wide(destination), FILE_ATTRIBUTE_NORMAL);  // best effort
  return BrokerStatus::Ok;
}

BrokerStatus ExportFile(const std::u16string& source, const std::u16string& destination) {
  if (!PathExists(source)) return BrokerStatus::NotFound;
  if (!CopyFileW(Wide(source), Wide(destination), FALSE)) return BrokerStatus::Failed;
  return BrokerStatus::Ok;
}

}  // namespace corvane
