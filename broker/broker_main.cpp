#include "broker/broker_main.h"

#include <memory>
#include <new>
#include <string>
#include <utility>

#include "broker/broker_command_line.h"
#include "broker/channel_thread.h"
#include "ipc/pipe_settings.h"
#include "win/message_pump.h"
#include "win/scoped_handle.h"
#include "win/wide_text.h"

namespace corvane {

namespace {

constexpr DWORD kPipeOpenMode =
    PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE | FILE_FLAG_OVERLAPPED;

enum class Connection { Ready, Failed, ServedProcessEnded };

// Waits for the channel thread to report, keeping window messages flowing.
// With `servedProcess`, also returns when that process ends first.
Connection WaitForConnection(const BrokerSync& sync, HANDLE servedProcess) {
  const HANDLE handles[3] = {sync.readyEvent, sync.failedEvent, servedProcess};
  const DWORD count = servedProcess != nullptr ? 3 : 2;
  const DWORD r = win::WaitPumpingMessages(count, handles, PM_REMOVE | PM_NOYIELD);
  if (r == WAIT_OBJECT_0) return Connection::Ready;
  if (count == 3 && r == WAIT_OBJECT_0 + 2) return Connection::ServedProcessEnded;
  return Connection::Failed;
}

// The served process ended while the channel thread still waits for a
// client. Connecting to the pipe and hanging up at once makes the thread's
// wait end; the thread must be gone before its arguments are freed. True if
// that happened; false when a plug-in got the pipe first, in which case the
// thread reports as usual.
bool EndPendingConnect(const std::u16string& pipeName, HANDLE thread) {
  UniqueHandle client(CreateFileW(win::Wide(pipeName), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
  if (!client) return false;
  client.Reset();
  WaitForSingleObject(thread, INFINITE);
  return true;
}

bool RunBroker(BrokerSync& sync, std::u16string_view commandLine) {
  const std::optional<BrokerCommandLine> parsed = ParseBrokerCommandLine(commandLine);
  if (!parsed) return false;
  const std::u16string pipeName = BrokerPipeName(parsed->ipcValue);

  // The arguments outlive the handles; they hold the pipe until the channel
  // thread takes it.
  std::unique_ptr<ChannelThreadArgs> args;
  UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, parsed->processId));
  if (!process) return false;
  UniqueHandle pipe(CreateNamedPipeW(win::Wide(pipeName), kPipeOpenMode, PIPE_REJECT_REMOTE_CLIENTS,
                                     1, ipc::kPipeBufferSize, ipc::kPipeBufferSize,
                                     ipc::kPipeDefaultTimeoutMs, nullptr));
  if (!pipe) return false;
  args.reset(new (std::nothrow) ChannelThreadArgs{&sync, std::move(pipe)});
  if (!args) return false;

  ResetEvent(sync.readyEvent);
  ResetEvent(sync.failedEvent);
  const UniqueHandle thread(CreateThread(nullptr, 0, ChannelThreadStart, args.get(), 0, nullptr));
  if (!thread) return false;

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

}  // namespace

int BrokerMain(std::u16string_view commandLine) {
  const UniqueHandle ready = win::NewEvent(false);
  const UniqueHandle failed = win::NewEvent(false);
  if (!ready || !failed) return 1;
  BrokerSync sync;
  sync.readyEvent = ready.get();
  sync.failedEvent = failed.get();
  return RunBroker(sync, commandLine) ? 0 : 1;
}

}  // namespace corvane
