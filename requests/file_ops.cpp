#include "requests/file_ops.h"

#include <windows.h>

#include <limits>
#include <vector>

#include "requests/real_path.h"
#include "win/scoped_handle.h"
#include "win/wide_text.h"

namespace corvane {

namespace {

using win::Wide;

// A folder held this way cannot be renamed or removed while the operation
// works in it, so its judged path stays the one acted in.
constexpr DWORD kShareNoDelete = FILE_SHARE_READ | FILE_SHARE_WRITE;

bool Judged(HANDLE file, const RealPathCheck& inside) {
  const std::u16string real = FinalPath(file);
  return !real.empty() && inside(real);
}

// A file with another name may be reached through a name inside while that
// other name lies outside (a hard link): only a file of its own is judged
// by where it was opened.
bool JudgedWithOneName(HANDLE file, const RealPathCheck& inside) {
  BY_HANDLE_FILE_INFORMATION info{};
  return GetFileInformationByHandle(file, &info) && info.nNumberOfLinks <= 1 &&
         Judged(file, inside);
}

// The answer to a path that did not open as the operation needs: Denied
// when the part of it that exists leads outside (so the answer does not
// tell what exists out there), else `failure`.
BrokerStatus FailedOpen(const std::u16string& path, const RealPathCheck& inside,
                        BrokerStatus failure) {
  const std::u16string real = RealPathOfNearestExisting(path);
  return !real.empty() && !inside(real) ? BrokerStatus::Denied : failure;
}

// CreateDirectoryW of the write's parent, only when the folder it would be
// created in is judged inside. That folder is held while the new one is made.
BrokerStatus CreateParentIfMissing(const std::u16string& parent, const RealPathCheck& inside) {
  if (OpenFolder(parent, kShareAll)) return BrokerStatus::Ok;
  std::u16string grandparent, name;
  if (!SplitLastComponent(parent, grandparent, name)) return BrokerStatus::Ok;
  const UniqueHandle held = OpenFolder(grandparent, kShareNoDelete);
  // Nothing to create in: the write itself fails (or is judged) later.
  if (!held) return BrokerStatus::Ok;
  const std::u16string real = FinalPath(held.get());
  if (real.empty() || !inside(real + u"\\" + name)) return BrokerStatus::Denied;
  CreateDirectoryW(Wide(parent), nullptr);  // an existing one is fine
  return BrokerStatus::Ok;
}

// A temporary file left by an earlier write is removed by name only when it
// is a plain file inside: CREATE_ALWAYS would follow a link planted there
// and truncate its target, and would write into a hard-linked file.
BrokerStatus RemoveStaleTemporary(const std::u16string& temporary, const RealPathCheck& inside) {
  UniqueHandle stale =
      OpenExisting(temporary, DELETE | FILE_READ_ATTRIBUTES, 0, FILE_FLAG_OPEN_REPARSE_POINT);
  if (!stale) {
    return GetLastError() == ERROR_FILE_NOT_FOUND ? BrokerStatus::Ok : BrokerStatus::Failed;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(stale.get(), &info)) return BrokerStatus::Failed;
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || !Judged(stale.get(), inside))
    return BrokerStatus::Denied;
  return DeleteOnClose(stale.get()) ? BrokerStatus::Ok : BrokerStatus::Failed;
}

// The temporary file goes away through its handle, never by name.
BrokerStatus Discard(UniqueHandle& file, BrokerStatus status) {
  DeleteOnClose(file.get());
  file.Reset();
  return status;
}

// Removes a copy's earlier destination through its handle, once judged:
// only a plain file of its own inside may go. Ok also when there is none.
// A link there is refused: Windows opens it itself and shows it as a
// reparse point; Wine follows it, so a link to a file outside is judged
// outside, and a dangling one does not open and is met by CREATE_NEW.
BrokerStatus RemoveEarlierCopy(const std::u16string& destination, const RealPathCheck& inside) {
  const UniqueHandle existing =
      OpenExisting(destination, DELETE | FILE_READ_ATTRIBUTES, kShareAll,
                   FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS);
  if (!existing) {
    // The folder is held, so "path not found" comes from a dangling link
    // into a missing folder: CREATE_NEW meets that name too.
    const DWORD error = GetLastError();
    const bool nothing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return nothing ? BrokerStatus::Ok : BrokerStatus::Failed;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(existing.get(), &info)) return BrokerStatus::Failed;
  const bool folderEntry = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
      (!folderEntry && info.nNumberOfLinks > 1) || !Judged(existing.get(), inside)) {
    return BrokerStatus::Denied;
  }
  // A folder is not replaced by a copy.
  if (folderEntry) return BrokerStatus::Failed;
  return DeleteOnClose(existing.get()) ? BrokerStatus::Ok : BrokerStatus::Failed;
}

// Copies what `from` holds from its current position into `to`, and gives
// `to` the last-write time of `from`, as a copy by name would.
bool CopyContents(HANDLE from, HANDLE to) {
  std::vector<uint8_t> buffer(65536);
  while (true) {
    DWORD read = 0;
    if (!ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr))
      return false;
    if (read == 0) break;
    DWORD written = 0;
    if (!WriteFile(to, buffer.data(), read, &written, nullptr) || written != read) return false;
  }
  FILE_BASIC_INFO source{};
  if (GetFileInformationByHandleEx(from, FileBasicInfo, &source, sizeof source)) {
    FILE_BASIC_INFO copy{};  // zero times and attributes are left unchanged
    copy.LastWriteTime = source.LastWriteTime;
    SetFileInformationByHandle(to, FileBasicInfo, &copy, sizeof copy);  // best effort
  }
  return true;
}

}  // namespace

BrokerStatus ReadWholeFile(const std::u16string& path, const RealPathCheck& inside,
                           const ReadStorage& storage) {
  const UniqueHandle file =
      OpenExisting(path, GENERIC_READ, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL);
  if (!file) return FailedOpen(path, inside, BrokerStatus::NotFound);
  if (!JudgedWithOneName(file.get(), inside)) return BrokerStatus::Denied;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxFileReadBytes)
    return BrokerStatus::NotFound;
  const auto count = static_cast<DWORD>(size.QuadPart);
  uint8_t* bytes = storage(count);
  if (count == 0) return BrokerStatus::Ok;
  DWORD read = 0;
  if (!ReadFile(file.get(), bytes, count, &read, nullptr) || read != count)
    return BrokerStatus::NotFound;
  return BrokerStatus::Ok;
}

BrokerStatus WriteFileAtomically(const std::u16string& path, const std::vector<uint8_t>& bytes,
                                 const RealPathCheck& inside) {
  // One write call carries the whole buffer; a count that does not fit its
  // 32 bits would write a truncated file and call it success.
  if (bytes.size() > std::numeric_limits<DWORD>::max()) return BrokerStatus::Failed;

  // Only one level is created, and only a backslash separates it.
  const size_t backslash = path.rfind(u'\\');
  if (backslash != std::u16string::npos) {
    const BrokerStatus parent = CreateParentIfMissing(path.substr(0, backslash), inside);
    if (parent != BrokerStatus::Ok) return parent;
  }

  std::u16string folderPath, leaf;
  if (!SplitLastComponent(path, folderPath, leaf)) return BrokerStatus::Failed;
  const UniqueHandle folder = OpenFolder(folderPath, kShareNoDelete);
  if (!folder) return FailedOpen(folderPath, inside, BrokerStatus::Failed);
  if (!Judged(folder.get(), inside)) return BrokerStatus::Denied;

  const std::u16string temporary = path + u".tmp";
  const BrokerStatus cleared = RemoveStaleTemporary(temporary, inside);
  if (cleared != BrokerStatus::Ok) return cleared;
  // CREATE_NEW never follows a link that appears at the name meanwhile.
  // Others may only rename the file, which the replacing move does.
  UniqueHandle file(CreateFileW(Wide(temporary), GENERIC_WRITE | DELETE, FILE_SHARE_DELETE, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return BrokerStatus::Failed;
  if (!Judged(file.get(), inside)) return Discard(file, BrokerStatus::Denied);

  if (!bytes.empty()) {
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
      return Discard(file, BrokerStatus::Failed);
    }
  }
  if (!FlushFileBuffers(file.get())) return Discard(file, BrokerStatus::Failed);
  // The handle stays open across the move so that a failed move can still
  // delete the temporary file through it.
  if (!MoveFileExW(Wide(temporary), Wide(path),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
    return Discard(file, BrokerStatus::Failed);
  }
  return BrokerStatus::Ok;
}

BrokerStatus PathExists(const std::u16string& path, const RealPathCheck& inside) {
  // No data access: a file held without sharing still counts.
  const UniqueHandle file =
      OpenExisting(path, FILE_READ_ATTRIBUTES, kShareAll, FILE_FLAG_BACKUP_SEMANTICS);
  if (!file) return FailedOpen(path, inside, BrokerStatus::NotFound);
  return Judged(file.get(), inside) ? BrokerStatus::Ok : BrokerStatus::Denied;
}

BrokerStatus DeleteFileIfPresent(const std::u16string& path, const RealPathCheck& inside) {
  // A link as the last component is opened itself, as DeleteFileW treats it.
  const UniqueHandle file = OpenExisting(path, DELETE, kShareAll, FILE_FLAG_OPEN_REPARSE_POINT);
  if (!file) {
    const bool missing = GetLastError() == ERROR_FILE_NOT_FOUND;
    return FailedOpen(path, inside, missing ? BrokerStatus::Ok : BrokerStatus::Failed);
  }
  if (!Judged(file.get(), inside)) return BrokerStatus::Denied;
  return DeleteOnClose(file.get()) ? BrokerStatus::Ok : BrokerStatus::Failed;
}

BrokerStatus CopyIntoTemp(const std::u16string& source, const std::u16string& destination,
                          const RealPathCheck& inside) {
  // The source may lie anywhere, so a rename meanwhile changes nothing: it
  // is read through this one handle.
  const UniqueHandle from = OpenExisting(source, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                         FILE_ATTRIBUTE_NORMAL);
  if (!from) {
    const DWORD error = GetLastError();
    const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return missing ? BrokerStatus::NotFound : BrokerStatus::Failed;
  }
  // A pipe reached through a link would block the read for good.
  if (GetFileType(from.get()) != FILE_TYPE_DISK) return BrokerStatus::Failed;
  std::u16string folderPath, leaf;
  if (!SplitLastComponent(destination, folderPath, leaf)) return BrokerStatus::Failed;
  const UniqueHandle folder = OpenFolder(folderPath, kShareNoDelete);
  if (!folder) return FailedOpen(destination, inside, BrokerStatus::Failed);
  const std::u16string realFolder = FinalPath(folder.get());
  if (realFolder.empty() || !inside(realFolder + u"\\" + leaf)) return BrokerStatus::Denied;

  const BrokerStatus cleared = RemoveEarlierCopy(destination, inside);
  if (cleared != BrokerStatus::Ok) return cleared;
  // CREATE_NEW follows no link: a name that still exists (a dangling link,
  // which Wine does not open, or a file made meanwhile) is not written to.
  // Without sharing, the copy cannot be renamed while it is judged and filled.
  UniqueHandle to(CreateFileW(Wide(destination), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!to) {
    return GetLastError() == ERROR_FILE_EXISTS ? BrokerStatus::Denied : BrokerStatus::Failed;
  }
  if (!Judged(to.get(), inside)) return Discard(to, BrokerStatus::Denied);
  if (!CopyContents(from.get(), to.get())) return Discard(to, BrokerStatus::Failed);
  return BrokerStatus::Ok;
}

BrokerStatus ExportFile(const std::u16string& source, const std::u16string& destination,
                        const RealPathCheck& inside) {
  // Held without delete sharing while the copy runs, so the judged file
  // cannot be renamed away and replaced by a link.
  const UniqueHandle held =
      OpenExisting(source, GENERIC_READ, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL);
  if (!held) {
    const DWORD error = GetLastError();
    const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return FailedOpen(source, inside, missing ? BrokerStatus::NotFound : BrokerStatus::Failed);
  }
  if (!JudgedWithOneName(held.get(), inside)) return BrokerStatus::Denied;
  if (!CopyFileW(Wide(source), Wide(destination), FALSE)) return BrokerStatus::Failed;
  return BrokerStatus::Ok;
}

}  // namespace corvane
