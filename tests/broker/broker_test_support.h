// Shared by the tests that run the real corvane-broker.exe: starting it
// with a served process of the test's choice and talking raw frames.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "ipc/message_shapes.h"
#include "plugin/client/broker_connection.h"
#include "plugin/client/broker_process.h"
#include "plugin/client/broker_session.h"
#include "plugin/client/command_line.h"
#include "plugin/client/request_frames.h"

namespace corvane::test {

using client::BrokerConnection;
using client::BrokerProcess;
using client::BrokerSession;

// A process that sleeps until killed, at the latest when the test is done
// with it; stands in for a plug-in whose death the test decides.
class Sleeper {
 public:
  Sleeper() {
    const std::u16string exe = client::PathBesideThisProgram(u"corvane-test-sleeper.exe");
    auto started = client::StartProcess(exe, u"\"" + exe + u"\"");
    if (!started) throw std::runtime_error(started.error().message);
    process_ = std::move(started).value();
  }
  ~Sleeper() { process_.Terminate(0); }
  Sleeper(const Sleeper&) = delete;
  Sleeper& operator=(const Sleeper&) = delete;

  uint32_t id() const { return process_.id(); }
  HANDLE handle() const { return process_.handle(); }
  bool Kill() const { return process_.Terminate(7); }

 private:
  BrokerProcess process_;
};

inline BrokerProcess StartBrokerFor(const std::u16string& ipcName, uint32_t servedPid) {
  auto started = client::StartBroker(client::DefaultBrokerPath(), ipcName, servedPid);
  if (!started) ADD_FAILURE() << started.error().message;
  return started ? std::move(started).value() : BrokerProcess();
}

// Starts the broker with exactly this text after the program's quoted path.
inline BrokerProcess StartBrokerWithArguments(const std::u16string& arguments) {
  const std::u16string exe = client::DefaultBrokerPath();
  auto started = client::StartProcess(exe, u"\"" + exe + u"\"" + arguments);
  if (!started) ADD_FAILURE() << started.error().message;
  return started ? std::move(started).value() : BrokerProcess();
}

// A broker serving this test process, connected. Throws if that fails, which
// fails the test.
inline BrokerSession Launch() {
  auto session = BrokerSession::Launch();
  if (!session) throw std::runtime_error(session.error().message);
  return std::move(session).value();
}

// A broker still running after a minute answers 0xDEAD: a broker that does
// not end fails the test instead of holding it until its time limit.
inline uint32_t ExitCodeOf(const BrokerProcess& process) {
  const auto code = process.WaitForExit(60000);
  return code ? *code : 0xDEADu;
}

inline std::u16string Decimal(uint32_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

inline std::vector<uint8_t> PingFrame() {
  return client::EncodeBrokerRequest(11, 0, u"", u"", u"");
}

// True if the next message is reply 7 "pong".
inline bool NextIsPong(BrokerConnection& c) {
  auto message = c.ReadMessage();
  if (!message) {
    ADD_FAILURE() << message.error().message;
    return false;
  }
  auto reply = client::ToReply(message.value());
  if (!reply) {
    ADD_FAILURE() << reply.error().message;
    return false;
  }
  return reply->status == 0 && reply->text == u"pong";
}

// The broker answers nothing more and closes the pipe.
inline bool EndsWithoutReply(BrokerConnection& c) {
  auto message = c.ReadMessage();
  if (message) {
    ADD_FAILURE() << "unexpected message " << message->id;
    return false;
  }
  return message.error().kind == client::ErrorKind::BrokerGone;
}

}  // namespace corvane::test
