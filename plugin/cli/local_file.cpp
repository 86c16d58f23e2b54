#include "plugin/cli/local_file.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "plugin/cli/utf_convert.h"

namespace corvane::cli {
namespace {

std::string Describe(const char* what, const std::u16string& path) {
  return std::string(what) + " local file '" + Utf16ToUtf8(path) + "'";
}

}  // namespace

std::optional<std::vector<uint8_t>> ReadLocalFile(const std::u16string& path, std::string& error) {
  const std::filesystem::path file(path);
  std::error_code ec;
  if (std::filesystem::is_directory(file, ec)) {
    error = Describe("a folder is not a", path);
    return std::nullopt;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    error = Describe("cannot open", path);
    return std::nullopt;
  }
  const std::string read((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<uint8_t> bytes(read.begin(), read.end());
  if (in.bad()) {
    error = Describe("cannot read", path);
    return std::nullopt;
  }
  return bytes;
}

bool WriteLocalFile(const std::u16string& path, const std::vector<uint8_t>& bytes,
                    std::string& error) {
  std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
  if (!out) {
    error = Describe("cannot create", path);
    return false;
  }
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    error = Describe("cannot write", path);
    return false;
  }
  return true;
}

}  // namespace corvane::cli
