#include "requests/file_primitives.h"

#include <windows.h>

#include <functional>
#include <limits>
#include <string_view>
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

// The temporary file of a write is its target's name followed by ".tmp",
// which plug-ins know. A copy or an export lands among other programs' and
// the user's own files, so its temporary file carries the broker's name.
constexpr std::u16string_view kWriteSuffix = u".tmp";
constexpr std::u16string_view kCopySuffix = u".corvane.tmp";

// The attributes an export takes from its source, as a copy by name does.
constexpr DWORD kCopiedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                    FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                    FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

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

// A temporary file left by an earlier request (a crash) is removed by name
// only when it is a plain file judged as the file it would have become:
// CREATE_NEW would fail on it, and CREATE_ALWAYS would follow a link planted
// there and truncate its target, or write into a hard-linked file.
BrokerStatus RemoveStaleTemporary(const std::u16string& temporary, const RealPathCheck& becomes) {
  UniqueHandle stale =
      OpenExisting(temporary, DELETE | FILE_READ_ATTRIBUTES, 0, FILE_FLAG_OPEN_REPARSE_POINT);
  if (!stale) {
    return GetLastError() == ERROR_FILE_NOT_FOUND ? BrokerStatus::Ok : BrokerStatus::Failed;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(stale.get(), &info)) return BrokerStatus::Failed;
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || !Judged(stale.get(), becomes))
    return BrokerStatus::Denied;
  return DeleteOnClose(stale.get()) ? BrokerStatus::Ok : BrokerStatus::Failed;
}

// The temporary file goes away through its handle, never by name. An
// export's may carry the read-only attribute by now, which Windows will not
// delete.
BrokerStatus Discard(UniqueHandle& file, BrokerStatus status) {
  FILE_BASIC_INFO writable{};
  writable.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  SetFileInformationByHandle(file.get(), FileBasicInfo, &writable, sizeof writable);
  DeleteOnClose(file.get());
  file.Reset();
  return status;
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

// A file filled beside its destination and moved over it once whole.
struct Replacement {
  const std::u16string& destination;
  // The temporary file is the destination's name followed by this.
  std::u16string_view suffix;
  // Whether the destination may lie at a real path.
  const RealPathCheck& placed;
  // A copy's source, opened: a destination that is this same file, by any
  // name, is left alone and the request answers Failed.
  HANDLE source = nullptr;
  // Only a plain file of its own, judged inside, may be replaced.
  bool plainOnly = false;
};

// Whether a name that does not open is taken all the same: Wine shows a
// dangling link nowhere, yet no file can be made under its name. A free
// name holds an empty file for the moment of the probe.
bool NameTaken(const std::u16string& path) {
  const UniqueHandle probe(
      CreateFileW(Wide(path), DELETE, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  return !probe && GetLastError() == ERROR_FILE_EXISTS;
}

// Whether what lies at the destination now may be replaced; Ok when there
// is nothing. A link there is refused where only a plain file may go:
// Windows opens the link itself and shows it as a reparse point; Wine
// follows it, so a link to a file outside is judged outside.
BrokerStatus CheckEarlier(const Replacement& r) {
  if (r.source == nullptr && !r.plainOnly) return BrokerStatus::Ok;
  const UniqueHandle existing =
      OpenExisting(r.destination, FILE_READ_ATTRIBUTES, kShareAll,
                   FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS);
  if (!existing) {
    // The folder is held, so "path not found" comes from a dangling link
    // into a missing folder.
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return BrokerStatus::Failed;
    return r.plainOnly && NameTaken(r.destination) ? BrokerStatus::Denied : BrokerStatus::Ok;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(existing.get(), &info)) return BrokerStatus::Failed;
  const bool folderEntry = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (r.plainOnly) {
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
        (!folderEntry && info.nNumberOfLinks > 1) || !Judged(existing.get(), r.placed)) {
      return BrokerStatus::Denied;
    }
    // A folder is not replaced by a copy.
    if (folderEntry) return BrokerStatus::Failed;
  }
  // Windows moves no file over a read-only one; Wine does, as root. Neither
  // does here, so a copy answers alike on both.
  if (!folderEntry && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0)
    return BrokerStatus::Failed;
  // A copy onto its own source would at best rewrite it with itself.
  BY_HANDLE_FILE_INFORMATION source{};
  if (r.source != nullptr &&
      (!GetFileInformationByHandle(r.source, &source) || SameFile(source, info))) {
    return BrokerStatus::Failed;
  }
  return BrokerStatus::Ok;
}

// Fills a temporary file beside the destination and moves it over the
// destination only once it is whole and flushed, so that a failure or a
// crash at any moment before leaves the destination as it was. The folder
// is held and the place judged before anything is touched; the temporary
// file is made without following any link and judged as the file it becomes.
BrokerStatus ReplaceWhole(const Replacement& r, const std::function<bool(HANDLE)>& fill) {
  std::u16string folderPath, leaf;
  if (!SplitLastComponent(r.destination, folderPath, leaf)) return BrokerStatus::Failed;
  const UniqueHandle folder = OpenFolder(folderPath, kShareNoDelete);
  if (!folder) return FailedOpen(r.destination, r.placed, BrokerStatus::Failed);
  const std::u16string realFolder = FinalPath(folder.get());
  if (realFolder.empty() || !r.placed(realFolder + u"\\" + leaf)) return BrokerStatus::Denied;
  const BrokerStatus earlier = CheckEarlier(r);
  if (earlier != BrokerStatus::Ok) return earlier;

  const std::u16string temporary = r.destination + std::u16string(r.suffix);
  const RealPathCheck becomes = [&r](const std::u16string& real) {
    return real.ends_with(r.suffix) && r.placed(real.substr(0, real.size() - r.suffix.size()));
  };
  const BrokerStatus cleared = RemoveStaleTemporary(temporary, becomes);
  if (cleared != BrokerStatus::Ok) return cleared;
  // CREATE_NEW never follows a link that appears at the name meanwhile.
  // Others may only rename the file, which the replacing move does.
  UniqueHandle file(CreateFileW(Wide(temporary), GENERIC_WRITE | DELETE, FILE_SHARE_DELETE, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return BrokerStatus::Failed;
  if (!Judged(file.get(), becomes)) return Discard(file, BrokerStatus::Denied);
  if (!fill(file.get()) || !FlushFileBuffers(file.get()))
    return Discard(file, BrokerStatus::Failed);
  // The handle stays open across the move so that a failed move can still
  // delete the temporary file through it.
  if (!MoveFileExW(Wide(temporary), Wide(r.destination),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
    return Discard(file, BrokerStatus::Failed);
  }
  return BrokerStatus::Ok;
}

// Copies what `from` holds from its current position into `to`, and gives
// `to` the last-write time of `from` (and with `withAttributes` its
// attributes), as a copy by name would.
bool CopyContents(HANDLE from, HANDLE to, bool withAttributes) {
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
    if (withAttributes) copy.FileAttributes = source.FileAttributes & kCopiedAttributes;
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

BrokerStatus WriteFileAtomically(const std::u16string& path, std::span<const uint8_t> bytes,
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

  // The write's check admitted the path and its temporary name: what it
  // makes is judged the same way.
  const RealPathCheck placed = [&inside](const std::u16string& real) {
    return inside(real) && inside(real + std::u16string(kWriteSuffix));
  };
  return ReplaceWhole({path, kWriteSuffix, placed}, [bytes](HANDLE file) {
    DWORD written = 0;
    return bytes.empty() ||
           (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size());
  });
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
  return ReplaceWhole({destination, kCopySuffix, inside, from.get(), true},
                      [&from](HANDLE to) { return CopyContents(from.get(), to, false); });
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
  if (GetFileType(held.get()) != FILE_TYPE_DISK) return BrokerStatus::Failed;
  // The destination may lie anywhere; the move puts the copy at its name
  // and never writes through a link there.
  const RealPathCheck anywhere = [](const std::u16string&) { return true; };
  return ReplaceWhole({destination, kCopySuffix, anywhere, held.get()},
                      [&held](HANDLE to) { return CopyContents(held.get(), to, true); });
}

}  // namespace corvane
