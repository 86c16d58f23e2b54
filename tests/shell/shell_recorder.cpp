// Stands in for the application associated with a document type or a web
// address: records the argument it was started with, one file per launch.
// Command line: <folder> <argument>. Started otherwise (say, as a program
// that should never have been run), it records its whole command line in
// "<its own path>.launches".
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <cwchar>
#include <string>

#include "win/scoped_handle.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::wstring folder;
  std::wstring text;
  if (argv != nullptr && argc == 3) {
    folder = argv[1];
    text = argv[2];
  } else {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    folder = std::wstring(self) + L".launches";
    text = GetCommandLineW();
  }
  if (argv != nullptr) LocalFree(argv);

  CreateDirectoryW(folder.c_str(), nullptr);
  wchar_t name[64];
  std::swprintf(name, 64, L"\\%lu-%lu", GetCurrentProcessId(), GetTickCount());
  // Written aside and renamed, so a reader never sees half a record.
  const std::wstring part = folder + name + L".part";
  const std::wstring done = folder + name + L".txt";
  corvane::UniqueHandle file(CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 1;
  DWORD written = 0;
  const BOOL ok = WriteFile(file.get(), text.data(),
                            static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
  file.Reset();  // closed before the rename
  if (!ok || !MoveFileExW(part.c_str(), done.c_str(), 0)) return 1;
  return 0;
}
