#include "broker/broker_main.h"

#include <memory>
#include <new>
#include <string>

#include "broker/broker_command_line.h"
#include "broker/channel_thread.h"
#include "ipc/system_libraries.h"
#include "services/unique_handle.h"

namespace corvane {

namespace {

constexpr DWORD kPipeOpenMode =
    PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE | FILE_FLAG_OVERLAPPED;
constexpr DWORD kPipeBufferSize = 4096;
constexpr DWORD kPipeDefaultTimeoutMs = 2000;

enum class Connection { Ready, Failed, ServedProcessEnded };

void PumpWindowMessages() {
  MSG msg;
  while (syslib::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD)) {
    syslib::TranslateMessage(&msg);
    syslib::DispatchMessageW(&msg);
  }
}

// Waits for the channel thread to report, keeping window messages flowing.
// With `servedProcess`, also returns when that process ends first.
Connection WaitForConnection(const BrokerSync& sync, HANDLE servedProcess) {
  const HANDLE handles[3] = {sync.readyEvent, sync.failedEvent, servedProcess};
  const DWORD count = servedProcess != nullptr ? 3 : 2;
  for (;;) {
    const DWORD r = syslib::MsgWaitForMultipleObjects(count, handles, FALSE, INFINITE, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) return Connection::Ready;
    if (r == WAIT_OBJECT_0 + 1) return Connection::Failed;
    if (count == 3 && r == WAIT_OBJECT_0 + 2) return Connection::ServedProcessEnded;
    if (r != WAIT_OBJECT_0 + count) return Connection::Failed;
    PumpWindowMessages();
  }
}

// The served process ended while the channel thread still waits for a
// client. Connecting to the pipe and hanging up at once makes the thread's
// wait end; the thread must be gone before its arguments are freed. True if
// that happened; false when a plug-in got the pipe first, in which case the
// thread reports as usual.
bool EndPendingConnect(const std::u16string& pipeName, HANDLE thread) {
  UniqueHandle client(CreateFileW(reinterpret_cast<const wchar_t*>(pipeName.c_str()),
                                  GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                  nullptr));
  if (!client) return false;
  client.Reset();
  WaitForSingleObject(thread, INFINITE);
  return true;
}

}  // namespace

bool RunBroker(BrokerSync& sync, std::u16string_view commandLine) {
  const std::optional<BrokerCommandLine> parsed = ParseBrokerCommandLine(commandLine);
  if (!parsed) return false;
  const std::u16string pipeName = BrokerPipeName(parsed->ipcValue);

  // Declared so that they are released in the order pipe, process, arguments.
  std::unique_ptr<ChannelThreadArgs> args;
  UniqueHandle thread;
  UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, parsed->processId));
  if (!process) return false;
  UniqueHandle pipe(CreateNamedPipeW(reinterpret_cast<const wchar_t*>(pipeName.c_str()),
                                     kPipeOpenMode, PIPE_REJECT_REMOTE_CLIENTS, 1, kPipeBufferSize,
                                     kPipeBufferSize, kPipeDefaultTimeoutMs, nullptr));
  if (!pipe) return false;
  args.reset(new (std::nothrow) ChannelThreadArgs{&sync, pipe.get()});
  if (!args) return false;

  ResetEvent(sync.readyEvent);
  ResetEvent(sync.failedEvent);
  DWORD threadId = 0;
  thread.Reset(CreateThread(nullptr, 0, ChannelThreadStart, args.get(), 0, &threadId));
  if (!thread) return false;
  pipe.Release();  // the channel thread's from here on
  sync.thread = thread.get();

  Connection connection = WaitForConnection(sync, process.get());
  if (connection == Connection::ServedProcessEnded) {
    if (EndPendingConnect(pipeName, thread.get())) return false;
    connection = WaitForConnection(sync, nullptr);
  }
  if (connection != Connection::Ready) return false;

  // No pumping from here on. The channel thread is not stopped: returning
  // ends the process, also in the middle of a request.
  const HANDLE lifetime[2] = {process.get(), thread.get()};
  const DWORD r = WaitForMultipleObjects(2, lifetime, FALSE, INFINITE);
  return r == WAIT_OBJECT_0 || r == WAIT_OBJECT_0 + 1;
}

int BrokerMain(std::u16string_view commandLine) {
  UniqueHandle ready(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  UniqueHandle failed(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!ready || !failed) return 1;
  BrokerSync sync;
  sync.readyEvent = ready.get();
  sync.failedEvent = failed.get();
  return RunBroker(sync, commandLine) ? 0 : 1;
}

}  // namespace corvane
