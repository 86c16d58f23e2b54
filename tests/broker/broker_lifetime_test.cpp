// Exit codes of the real broker process for each way its life can end.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/broker_suite.h"

namespace corvane::test {
namespace {

// True once the broker's pipe exists, i.e. it has opened the served process
// and created the pipe, and waits for a client.
bool WaitForPipe(const std::u16string& ipcName, const BrokerProcess& broker) {
  const std::u16string path = client::BrokerPipePath(ipcName);
  while (!broker.ExitCode()) {
    if (WaitNamedPipeW(reinterpret_cast<const wchar_t*>(path.c_str()), 50)) return true;
    Sleep(10);
  }
  return false;
}

TEST(BrokerLifetime, ClientClosingThePipeEndsTheBrokerWithZero) {
  BrokerSession session = LaunchBroker();
  ASSERT_TRUE(session.connection.SendBytes(PingFrame()));
  EXPECT_TRUE(NextIsPong(session.connection));
  session.connection.Close();
  EXPECT_EQ(ExitCodeOf(session.process), 0u);
}

TEST(BrokerLifetime, ServedProcessEndingEndsTheBrokerWithZero) {
  Sleeper sleeper;
  const std::u16string name = client::MakeUniqueIpcName();
  BrokerProcess broker = StartBrokerFor(name, sleeper.id());
  auto connection = BrokerConnection::Connect(name, broker.handle());
  ASSERT_TRUE(connection) << connection.error().message;
  ASSERT_TRUE(connection->SendBytes(PingFrame()));
  ASSERT_TRUE(NextIsPong(connection.value()));

  ASSERT_TRUE(sleeper.Kill());
  EXPECT_EQ(ExitCodeOf(broker), 0u);
}

TEST(BrokerLifetime, ServedProcessEndingBeforeAnyClientEndsTheBrokerWithOne) {
  Sleeper sleeper;
  const std::u16string name = client::MakeUniqueIpcName();
  BrokerProcess broker = StartBrokerFor(name, sleeper.id());
  ASSERT_TRUE(WaitForPipe(name, broker));

  ASSERT_TRUE(sleeper.Kill());
  EXPECT_EQ(ExitCodeOf(broker), 1u);
}

TEST(BrokerLifetime, SecondBrokerOnTheSameNameFailsAndTheFirstGoesOn) {
  BrokerSession first = LaunchBroker();
  BrokerProcess second = StartBrokerFor(first.ipcName, GetCurrentProcessId());
  EXPECT_EQ(ExitCodeOf(second), 1u);

  ASSERT_TRUE(first.connection.SendBytes(PingFrame()));
  EXPECT_TRUE(NextIsPong(first.connection));
  first.connection.Close();
  EXPECT_EQ(ExitCodeOf(first.process), 0u);
}

TEST(BrokerLifetime, BadCommandLinesEndTheBrokerWithOne) {
  const std::u16string pid = Decimal(GetCurrentProcessId());
  const std::u16string name = client::MakeUniqueIpcName();
  const std::u16string bad[] = {
      u"",
      u"--ipc=" + name + u" --proc=" + pid,  // glued to the program path
      u" --proc=" + pid + u" --ipc=" + name,
      u" --ipc=x",
      u" --ipc=" + name + u" --proc=abc",   // process id 0
      u" --ipc=" + name + u" --proc=0x1F",  // also 0
  };
  for (const auto& arguments : bad) {
    BrokerProcess broker = StartBrokerWithArguments(arguments);
    EXPECT_EQ(ExitCodeOf(broker), 1u) << std::string(arguments.begin(), arguments.end());
  }
}

TEST(BrokerLifetime, PipeNameMayHoldBlanksAndTrailingDigitsAreCut) {
  const std::u16string name = client::MakeUniqueIpcName() + u" with blanks";
  // "<pid>xyz" serves <pid>.
  BrokerProcess broker = StartBrokerWithArguments(u" --ipc=" + name + u" --proc=" +
                                                  Decimal(GetCurrentProcessId()) + u"xyz");
  auto connection = BrokerConnection::Connect(name, broker.handle());
  ASSERT_TRUE(connection) << connection.error().message;
  ASSERT_TRUE(connection->SendBytes(PingFrame()));
  EXPECT_TRUE(NextIsPong(connection.value()));
  connection->Close();
  EXPECT_EQ(ExitCodeOf(broker), 0u);
}

}  // namespace
}  // namespace corvane::test
