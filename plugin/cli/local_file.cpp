#include "plugin/cli/local_file.h"

#include <algorithm>

#include "plugin/cli/utf_convert.h"

#ifdef _WIN32
#include <windows.h>

#include "plugin/cli/system_message.h"
#include "win/scoped_handle.h"
#include "win/wide_text.h"
#else
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#endif

namespace corvane::cli {
namespace {

std::string Problem(const char* what, const std::u16string& path, const std::string& why) {
  return std::string(what) + " '" + Utf16ToUtf8(path) + "': " + why;
}

#ifdef _WIN32

using win::Wide;

// Reads and writes go in pieces small enough for one DWORD count.
constexpr size_t kPiece = 1u << 20;

#else

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

#endif

}  // namespace

#ifdef _WIN32

client::Result<std::vector<uint8_t>, std::string> ReadLocalFile(const std::u16string& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path));
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return Problem("cannot read", path, "it is a folder");
  }
  const UniqueHandle file(CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return Problem("cannot open", path, SystemMessage(GetLastError()));
  std::vector<uint8_t> bytes;
  while (true) {
    const size_t used = bytes.size();
    bytes.resize(used + kPiece);
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data() + used, static_cast<DWORD>(kPiece), &read, nullptr)) {
      return Problem("cannot read", path, SystemMessage(GetLastError()));
    }
    bytes.resize(used + read);
    if (read == 0) return bytes;
  }
}

client::Result<client::Done, std::string> WriteLocalFile(const std::u16string& path,
                                                         const std::vector<uint8_t>& bytes) {
  const UniqueHandle file(CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return Problem("cannot create", path, SystemMessage(GetLastError()));
  for (size_t done = 0; done < bytes.size();) {
    const auto piece = static_cast<DWORD>(std::min(kPiece, bytes.size() - done));
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data() + done, piece, &written, nullptr) || written == 0) {
      return Problem("cannot write", path, SystemMessage(GetLastError()));
    }
    done += written;
  }
  return client::Done{};
}

#else

// The host build serves the portable tests; the system's words come from errno.
client::Result<std::vector<uint8_t>, std::string> ReadLocalFile(const std::u16string& path) {
  const UniqueFile file(std::fopen(Utf16ToUtf8(path).c_str(), "rb"));
  if (!file) return Problem("cannot open", path, std::strerror(errno));
  std::vector<uint8_t> bytes;
  uint8_t piece[65536];
  size_t read = 0;
  while ((read = std::fread(piece, 1, sizeof piece, file.get())) > 0) {
    bytes.insert(bytes.end(), piece, piece + read);
  }
  if (std::ferror(file.get())) return Problem("cannot read", path, std::strerror(errno));
  return bytes;
}

client::Result<client::Done, std::string> WriteLocalFile(const std::u16string& path,
                                                         const std::vector<uint8_t>& bytes) {
  UniqueFile file(std::fopen(Utf16ToUtf8(path).c_str(), "wb"));
  if (!file) return Problem("cannot create", path, std::strerror(errno));
  if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() ||
      std::fclose(file.release()) != 0) {
    return Problem("cannot write", path, std::strerror(errno));
  }
  return client::Done{};
}

#endif

}  // namespace corvane::cli
