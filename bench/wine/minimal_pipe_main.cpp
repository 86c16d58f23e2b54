// corvane-bench-minpipe: the start-up baseline of the benchmark. A program
// of the broker's kind (GUI subsystem, no window, statically linked) that
// only creates the broker's pipe, lets one client connect and exits when
// the client closes it. Arguments as the broker's: --ipc=<name> --proc=<id>
// (the id is not used). Built twice: corvane-bench-minpipe uses kernel32
// alone; corvane-bench-minpipe-pump (BENCH_PUMP_MESSAGES) waits for the client
// with the window-message wait that the broker's main thread uses, and so
// loads user32 as the broker does.
#include <windows.h>

#include <string>

#include "win/scoped_handle.h"

namespace {

int Run() {
  const std::wstring commandLine = GetCommandLineW();
  const size_t ipc = commandLine.find(L" --ipc=");
  if (ipc == std::wstring::npos) return 1;
  const size_t start = ipc + 7;
  const size_t proc = commandLine.find(L" --proc=", start);
  if (proc == std::wstring::npos) return 1;
  const std::wstring path = L"\\\\.\\pipe\\" + commandLine.substr(start, proc - start);
  corvane::UniqueHandle pipe(CreateNamedPipeW(
      path.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE | FILE_FLAG_OVERLAPPED,
      PIPE_REJECT_REMOTE_CLIENTS, 1, 4096, 4096, 2000, nullptr));
  if (!pipe) return 1;
  corvane::UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!event) return 1;
  OVERLAPPED overlapped{};
  overlapped.hEvent = event.get();
  if (!ConnectNamedPipe(pipe.get(), &overlapped)) {
    const DWORD error = GetLastError();
    if (error == ERROR_IO_PENDING) {
#ifdef BENCH_PUMP_MESSAGES
      HANDLE connected = event.get();
      while (MsgWaitForMultipleObjects(1, &connected, FALSE, INFINITE, QS_ALLINPUT) ==
             WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      }
#endif
      DWORD bytes = 0;
      if (!GetOverlappedResult(pipe.get(), &overlapped, &bytes, TRUE)) return 1;
    } else if (error == ERROR_NO_DATA) {
      return 0;  // the client came and went before the connect call
    } else if (error != ERROR_PIPE_CONNECTED) {
      return 1;
    }
  }
  // Holds the pipe until the client goes, as the broker does.
  for (;;) {
    ResetEvent(event.get());
    overlapped = OVERLAPPED{};
    overlapped.hEvent = event.get();
    char buffer[4096];
    DWORD got = 0;
    if (!ReadFile(pipe.get(), buffer, sizeof buffer, &got, &overlapped)) {
      if (GetLastError() != ERROR_IO_PENDING) break;
      if (!GetOverlappedResult(pipe.get(), &overlapped, &got, TRUE)) break;
    }
    if (got == 0) break;
  }
  DisconnectNamedPipe(pipe.get());
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    return Run();
  } catch (...) {
    return 1;
  }
}
