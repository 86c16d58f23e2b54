// A program that must never run: started, it leaves "<its own path>.ran"
// beside itself and ends. The shell tests write it under documents' names.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t marker[MAX_PATH + 8] = {};
  const DWORD length = GetModuleFileNameW(nullptr, marker, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  lstrcatW(marker, L".ran");
  const HANDLE file =
      CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  CloseHandle(file);
  return 0;
}
