#include "plugin/client/broker_session.h"

#include <windows.h>

#include <utility>

#include "plugin/client/command_line.h"

namespace corvane::client {

Result<BrokerSession> BrokerSession::Launch(std::u16string exePath, uint32_t servedProcessId,
                                            uint32_t connectTimeoutMs) {
  if (exePath.empty()) exePath = DefaultBrokerPath();
  if (servedProcessId == 0) servedProcessId = GetCurrentProcessId();
  std::u16string ipcName = MakeUniqueIpcName();
  auto process = StartBroker(exePath, ipcName, servedProcessId);
  if (!process) return process.error();
  auto connection = BrokerConnection::Connect(ipcName, process->handle(), connectTimeoutMs);
  if (!connection) {
    // A broker nobody connects to would wait for the served process to end.
    process->Terminate(1);
    return connection.error();
  }
  return BrokerSession{nullptr, std::move(process).value(), std::move(connection).value(),
                       std::move(ipcName)};
}

Result<BrokerSession> BrokerSession::LaunchWithDiagnostics(std::u16string exePath,
                                                           uint32_t servedProcessId,
                                                           uint32_t connectTimeoutMs,
                                                           DebugMonitor::OutputSink sink) {
  if (exePath.empty()) exePath = DefaultBrokerPath();
  if (servedProcessId == 0) servedProcessId = GetCurrentProcessId();
  std::u16string ipcName = MakeUniqueIpcName();
  auto monitor = DebugMonitor::Start(
      exePath, BuildBrokerCommandLine(exePath, ipcName, servedProcessId), std::move(sink));
  if (!monitor) {
    ClientError error = monitor.error();
    error.message =
        "cannot start the broker as this process's debuggee (a host or sandbox may "
        "forbid debugging; start it without diagnostics then): " +
        error.message;
    return error;
  }
  std::unique_ptr<DebugMonitor> running = std::move(monitor).value();
  auto connection = BrokerConnection::Connect(ipcName, running->process(), connectTimeoutMs);
  if (!connection) {
    // Ended now rather than after the monitor's grace time; the monitor's
    // destructor then joins its thread.
    TerminateProcess(running->process(), 1);
    return connection.error();
  }
  // The session's own handle to the broker, as for a broker started plainly.
  UniqueHandle process;
  if (!DuplicateHandle(GetCurrentProcess(), running->process(), GetCurrentProcess(),
                       process.Receive(), 0, FALSE, DUPLICATE_SAME_ACCESS)) {
    const DWORD error = GetLastError();
    TerminateProcess(running->process(), 1);
    return ClientError{ErrorKind::StartFailed,
                       "cannot keep the broker's process handle: DuplicateHandle failed with "
                       "error " +
                           std::to_string(error),
                       error};
  }
  const uint32_t id = running->processId();
  return BrokerSession{std::move(running), BrokerProcess(std::move(process), id),
                       std::move(connection).value(), std::move(ipcName)};
}

}  // namespace corvane::client
