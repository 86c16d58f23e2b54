#include "win/folders.h"

// clang-format off
#include <windows.h>
#include <shlobj.h>
// clang-format on

#include "win/system_libraries.h"
#include "win/wide_text.h"

namespace corvane {

namespace {

std::u16string ShellFolder(int csidl) {
  wchar_t buffer[MAX_PATH] = {};
  if (FAILED(syslib::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer)))
    return {};
  return std::u16string(win::Utf16(buffer));
}

}  // namespace

std::u16string AppDataFolder() {
  return ShellFolder(CSIDL_APPDATA);
}

std::u16string TempFolder() {
  std::u16string folder = ShellFolder(CSIDL_LOCAL_APPDATA);
  if (folder.empty()) return folder;
  return folder + u"\\Temp";
}

}  // namespace corvane
