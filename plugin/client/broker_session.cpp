#include "plugin/client/broker_session.h"

#include <windows.h>

#include <utility>

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
  return BrokerSession{std::move(process).value(), std::move(connection).value(),
                       std::move(ipcName)};
}

}  // namespace corvane::client
