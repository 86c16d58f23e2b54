// What only the real broker shows of its receive loop (the loop's own cases
// are in tests/ipc): a message that ends the channel ends the process, with
// exit code 0 and no reply, not even to a ping behind it.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/broker_suite.h"

namespace corvane::test {
namespace {

using ipc::MsgParam;

TEST(ReceiveLoop, UnservedMessageOrBadFrameEndsTheBrokerWithoutReply) {
  const std::vector<std::vector<uint8_t>> ending = {
      EncodeMessage(5, {MsgParam::Scalar(ipc::kInt32, 0)}),  // no service
      Words({0x12345678, 6, 1, 7, 2, kSep, 0, kEnd}),        // wrong magic
  };
  for (size_t i = 0; i < ending.size(); ++i) {
    BrokerSession s = LaunchBroker();
    ASSERT_TRUE(s.connection.SendBytes(Join(ending[i], PingFrame())));
    EXPECT_TRUE(EndsWithoutReply(s.connection)) << i;
    EXPECT_EQ(ExitCodeOf(s.process), 0u) << i;
  }
}

}  // namespace
}  // namespace corvane::test
