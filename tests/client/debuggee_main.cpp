// A debuggee for the debug monitor test. Writes debug output in both
// character widths, raises an exception that its own handler deals with, and
// then either exits with code 7 or, given an event name, signals that event
// and waits forever.

#include <windows.h>

#include "win/scoped_handle.h"

namespace {

constexpr DWORD kOwnException = 0xE0C0FFEE;

LONG CALLBACK OwnHandler(EXCEPTION_POINTERS* info) {
  return info->ExceptionRecord->ExceptionCode == kOwnException ? EXCEPTION_CONTINUE_EXECUTION
                                                               : EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  OutputDebugStringA("first line\n");
  OutputDebugStringW(L"wide \u00E9\n");
  PVOID handler = AddVectoredExceptionHandler(1, &OwnHandler);
  RaiseException(kOwnException, 0, 0, nullptr);
  RemoveVectoredExceptionHandler(handler);
  OutputDebugStringA("after the exception\n");
  if (argc < 2) return 7;
  OutputDebugStringA("ready\n");
  {
    const corvane::UniqueHandle ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[1]));
    if (!ready) return 3;
    SetEvent(ready.get());
  }
  Sleep(INFINITE);
  return 0;
}
