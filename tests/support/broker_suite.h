// The one way tests start the real broker. A suite shares one session
// (BrokerSuite); a test that needs a broker of its own, or ends it, takes one
// from LaunchBroker; tests about how the broker starts and ends start the
// bare process (StartBrokerFor, StartBrokerWithArguments). Windows only.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "plugin/client/broker_connection.h"
#include "plugin/client/broker_process.h"
#include "plugin/client/broker_session.h"
#include "plugin/client/command_line.h"
#include "tests/support/frames.h"

namespace corvane::test {

using client::BrokerConnection;
using client::BrokerProcess;
using client::BrokerSession;

// A broker serving this process, connected. Throws if that fails, which
// fails the test.
inline BrokerSession LaunchBroker() {
  auto session = BrokerSession::Launch();
  if (!session) throw std::runtime_error("broker did not start: " + session.error().message);
  return std::move(session).value();
}

// The broker's answer to request 6; an exchange that fails is a test failure
// and answers Reply{}.
inline Reply Send(BrokerConnection& connection, BrokerOperation operation, std::u16string path,
                  std::u16string name = {}, std::u16string data = {},
                  RegistryHive hive = RegistryHive::CurrentUser) {
  auto reply = connection.Request(OperationCode(operation), HiveCode(hive), std::move(path),
                                  std::move(name), std::move(data));
  if (!reply) {
    ADD_FAILURE() << "no reply to " << Operation(operation).name << ": " << reply.error().message;
    return {};
  }
  return ReplyOf(reply.value());
}

// One broker for the whole suite, on top of a fixture of the suite's own.
template <class Base = ::testing::Test>
class BrokerSuiteOf : public Base {
 protected:
  static void SetUpTestSuite() { session_.emplace(LaunchBroker()); }
  static void TearDownTestSuite() { session_.reset(); }

  static Reply Send(BrokerOperation operation, std::u16string path, std::u16string name = {},
                    std::u16string data = {}, RegistryHive hive = RegistryHive::CurrentUser) {
    return test::Send(session_->connection, operation, std::move(path), std::move(name),
                      std::move(data), hive);
  }

  // The running broker, for a test that ends it as a crash would; Relaunch
  // then starts a fresh one for the requests that follow.
  static BrokerSession& Session() { return *session_; }
  static void Relaunch() {
    session_.reset();
    SetUpTestSuite();
  }

 private:
  static inline std::optional<BrokerSession> session_;
};
using BrokerSuite = BrokerSuiteOf<>;

// The bare broker process, for `ipcName` and the process it serves.
inline BrokerProcess StartBrokerFor(const std::u16string& ipcName,
                                    uint32_t servedPid = GetCurrentProcessId()) {
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

// The next message is the reply "pong".
inline bool NextIsPong(BrokerConnection& c) {
  auto message = c.ReadMessage();
  if (!message) {
    ADD_FAILURE() << message.error().message;
    return false;
  }
  auto reply = client::ToReply(message.value());
  if (!reply) ADD_FAILURE() << reply.error().message;
  return reply && ReplyOf(reply.value()) == Reply{BrokerStatus::Ok, u"pong"};
}

// The broker answers nothing more and closes the pipe.
inline bool EndsWithoutReply(BrokerConnection& c) {
  auto message = c.ReadMessage();
  if (message) ADD_FAILURE() << "unexpected message " << message->id;
  return !message && message.error().kind == client::ErrorKind::BrokerGone;
}

}  // namespace corvane::test
