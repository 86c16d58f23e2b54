// The typed entry's answer to a wrongly typed request, with the real broker
// running under the client's debugger loop: the broker logs and drops each such
// request and still answers the next one.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "ipc/message_shapes.h"
#include "plugin/client/broker_connection.h"
#include "plugin/client/broker_process.h"
#include "plugin/client/command_line.h"
#include "plugin/client/debug_monitor.h"
#include "plugin/client/request_frames.h"
#include "tests/support/broker_suite.h"

namespace {

using corvane::test::EncodeMessage;
using ipc::MsgParam;
namespace client = corvane::client;

// Bounds the wait for the broker's exit so that a hung broker fails the test
// instead of hanging it; no result depends on it.
constexpr uint32_t kPatienceMs = 60000;

const uint32_t kPing = OperationCode(corvane::BrokerOperation::Ping);

MsgParam Int(uint32_t v, int32_t tag = ipc::kInt32) {
  return MsgParam::Scalar(tag, v);
}
MsgParam Text(std::u16string s) {
  return MsgParam::Text16(std::move(s));
}

TEST(TypedEntryUnderDebugger, WronglyTypedRequestsAreDroppedAndTheBrokerGoesOn) {
  const std::u16string exe = client::DefaultBrokerPath();
  const std::u16string ipcName = client::MakeUniqueIpcName();
  auto started = client::DebugMonitor::Start(
      exe, client::BuildBrokerCommandLine(exe, ipcName, GetCurrentProcessId()));
  ASSERT_TRUE(started) << started.error().message;
  auto monitor = std::move(started).value();
  auto connection = client::BrokerConnection::Connect(ipcName, monitor->process());
  ASSERT_TRUE(connection) << connection.error().message;

  const std::vector<std::vector<uint8_t>> wronglyTyped = {
      // Request 6: a text where the hive belongs, then 8-bit data, then a
      // 64-bit operation.
      EncodeMessage(ipc::kMsgBrokerRequest,
                    {Int(kPing), Text(u"0"), Text(u""), Text(u""), Text(u"")}),
      EncodeMessage(ipc::kMsgBrokerRequest,
                    {Int(kPing), Int(0), Text(u""), Text(u""), MsgParam::Text8("d", ipc::kText8)}),
      EncodeMessage(ipc::kMsgBrokerRequest,
                    {Int(kPing, ipc::kInt64), Int(0), Text(u""), Text(u""), Text(u"")}),
      // Request 3 with a signed process id.
      EncodeMessage(ipc::kMsgGetPluginChannel, {Int(GetCurrentProcessId(), ipc::kInt32)}),
  };
  // Several rounds: a register lost in one round need not show until later.
  constexpr size_t kRounds = 10;
  for (size_t round = 0; round < kRounds; ++round) {
    for (const auto& frame : wronglyTyped) ASSERT_TRUE(connection->SendBytes(frame));
  }
  ASSERT_TRUE(connection->SendBytes(corvane::test::PingFrame()));
  // The first message back answers the ping.
  EXPECT_TRUE(corvane::test::NextIsPong(connection.value()));
  // Each dropped request left its line before the broker went on.
  EXPECT_EQ(monitor->TakeOutput(),
            std::vector<std::string>(kRounds * wronglyTyped.size(), "!! svc:OnMsgArgCountError"));

  connection->Close();
  EXPECT_EQ(monitor->WaitForExit(kPatienceMs), 0u);
}

}  // namespace
