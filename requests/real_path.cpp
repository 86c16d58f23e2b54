#include "requests/real_path.h"

#include <vector>

#include "policy/text_helpers.h"
#include "win/wide_text.h"

namespace corvane {

UniqueHandle OpenExisting(const std::u16string& path, DWORD access, DWORD share, DWORD flags) {
  return UniqueHandle(CreateFileW(win::Wide(path), access, share, nullptr, OPEN_EXISTING,
                                  flags | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
                                  nullptr));
}

UniqueHandle OpenFolder(const std::u16string& path, DWORD share) {
  return OpenExisting(path, FILE_READ_ATTRIBUTES, share, FILE_FLAG_BACKUP_SEMANTICS);
}

std::u16string FinalPath(HANDLE file) {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  DWORD length = 0;
  // The path may grow between the two calls; a third try is not worth it.
  for (int attempt = 0; attempt < 2; ++attempt) {
    length = GetFinalPathNameByHandleW(file, buffer.data(), static_cast<DWORD>(buffer.size()),
                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return {};
    if (length < buffer.size()) break;
    buffer.assign(length + 1, L'\0');  // the answer was the size needed
  }
  if (length >= buffer.size()) return {};
  std::u16string path(win::Utf16(buffer.data()), length);
  if (path.starts_with(u"\\\\?\\UNC\\")) return u"\\\\" + path.substr(8);
  if (path.starts_with(u"\\\\?\\")) return path.substr(4);
  return path;
}

std::u16string RealFolderPath(const std::u16string& folder) {
  if (folder.empty()) return {};
  // A missing folder (a fresh profile may have no Temp yet) still has a
  // place: what lies below it is simply missing, not outside.
  return RealPathOfNearestExisting(folder);
}

bool SplitLastComponent(const std::u16string& path, std::u16string& folder, std::u16string& leaf) {
  size_t cut = path.size();
  while (cut > 0 && !IsSeparator(path[cut - 1])) --cut;
  if (cut == 0) return false;
  leaf = path.substr(cut);
  size_t end = cut - 1;
  while (end > 0 && IsSeparator(path[end - 1])) --end;
  folder = path.substr(0, end);
  return true;
}

std::u16string RealPathOfNearestExisting(const std::u16string& path) {
  std::u16string current = path, tail, folder, leaf;
  while (true) {
    // A bare drive ("C:") would open the drive's current folder.
    if (current.size() < 3) return {};
    const UniqueHandle handle = OpenFolder(current, kShareAll);
    if (handle) {
      const std::u16string real = FinalPath(handle.get());
      if (real.empty() || tail.empty()) return real;
      return real + u"\\" + tail;
    }
    if (!SplitLastComponent(current, folder, leaf)) return {};
    tail = tail.empty() ? leaf : leaf + u"\\" + tail;
    current = folder;
  }
}

bool DeleteOnClose(HANDLE file) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) !=
         FALSE;
}

}  // namespace corvane
