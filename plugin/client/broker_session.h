// The usual way for a plug-in to get a broker: start it for this process on
// a fresh pipe name and connect. Closing the session's connection ends the
// broker. Windows only.
#pragma once

#include <cstdint>
#include <string>

#include "plugin/client/broker_connection.h"
#include "plugin/client/broker_process.h"
#include "plugin/client/client_result.h"

namespace corvane::client {

struct BrokerSession {
  BrokerProcess process;
  BrokerConnection connection;
  std::u16string ipcName;

  // `exePath` empty: DefaultBrokerPath(). `servedProcessId` 0: this process.
  static Result<BrokerSession> Launch(std::u16string exePath = {}, uint32_t servedProcessId = 0,
                                      uint32_t connectTimeoutMs = kDefaultConnectTimeoutMs);
};

}  // namespace corvane::client
