// The usual way for a plug-in to get a broker: start it for this process on
// a fresh pipe name and connect. Closing the session's connection ends the
// broker. Windows only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "plugin/client/broker_connection.h"
#include "plugin/client/broker_process.h"
#include "plugin/client/client_result.h"
#include "plugin/client/debug_monitor.h"

namespace corvane::client {

struct BrokerSession {
  // Set when the broker runs under this process's debugger. Declared first
  // so that it goes last: the connection closes, the broker ends, and only
  // then is the debugger thread joined.
  std::unique_ptr<DebugMonitor> monitor;
  BrokerProcess process;
  BrokerConnection connection;
  std::u16string ipcName;

  // `exePath` empty: DefaultBrokerPath(). `servedProcessId` 0: this process.
  static Result<BrokerSession> Launch(std::u16string exePath = {}, uint32_t servedProcessId = 0,
                                      uint32_t connectTimeoutMs = kDefaultConnectTimeoutMs);
  // Launch with the broker as this process's debuggee: every string it
  // writes to the debugger output goes to `sink` on the debugger thread.
  // When this process may not debug, StartFailed and no broker runs.
  static Result<BrokerSession> LaunchWithDiagnostics(std::u16string exePath,
                                                     uint32_t servedProcessId,
                                                     uint32_t connectTimeoutMs,
                                                     DebugMonitor::OutputSink sink);
};

}  // namespace corvane::client
