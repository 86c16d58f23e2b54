// A broker channel over a real named pipe: the receive loop, a request-6
// service and its debugger output, with a plug-in-like client on a thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "ipc/broker_channel.h"
#include "ipc/handler.h"
#include "tests/ipc/pipes.h"
#include "tests/ipc/test_service.h"
#include "tests/support/debug_capture.h"
#include "tests/support/frames.h"

namespace {

using corvane::test::ConnectClient;
using corvane::test::CreateServerPipe;
using corvane::test::DecodeAll;
using corvane::test::EncodeMessage;
using corvane::test::Handle;
using corvane::test::Join;
using corvane::test::Message;
using corvane::test::UniquePipeName;
using corvane::test::WriteAll;
using ipc::BrokerChannel;
using ipc::MsgParam;
using Svc = corvane::test::TestSvc<BrokerChannel>;

std::vector<uint8_t> Request(uint32_t operation, std::u16string data) {
  return corvane::client::EncodeBrokerRequest(operation, 0, u"p", u"n", std::move(data));
}

// Reads frames from the pipe until `want` have arrived or the pipe ends.
std::vector<Message> ReadReplies(HANDLE h, size_t want) {
  std::vector<uint8_t> bytes;
  std::vector<Message> replies;
  uint8_t chunk[4096];
  while (replies.size() < want) {
    DWORD got = 0;
    if (!ReadFile(h, chunk, sizeof chunk, &got, nullptr) || got == 0) break;
    bytes.insert(bytes.end(), chunk, chunk + got);
    replies = DecodeAll(bytes);
  }
  return replies;
}

struct Server {
  PipeTransportWithMessagePump transport;
  BrokerChannel channel{&transport};
  Svc svc;
  ipc::BadMessageRecv<BrokerChannel> bad;

  int64_t Serve() {
    return channel.ReceiveLoop(
        &bad, [this](int32_t id) -> BrokerChannel::Handler* { return id == 6 ? &svc : nullptr; });
  }
};

size_t CountLines(const std::vector<std::string>& lines, const std::string& text) {
  return static_cast<size_t>(std::count(lines.begin(), lines.end(), text));
}

TEST(PipeChannel, ServesRequestsAndReportsArgumentErrorsOnTheDebuggerOutput) {
  corvane::test::DebugCapture capture;
  const auto name = UniquePipeName();
  const std::u16string big(5000, u'z');  // the reply is larger than one read
  std::vector<Message> replies;
  std::jthread client;
  Server server;
  HANDLE pipe = CreateServerPipe(name);
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
  client = std::jthread([&] {
    Handle h = ConnectClient(name);
    auto frames = EncodeMessage(1, {MsgParam::Scalar(ipc::kInt32, 0)});  // keep-alive
    frames = Join(frames, EncodeMessage(6, {MsgParam::Scalar(ipc::kInt32, 1)}));
    frames = Join(frames, EncodeMessage(6, {MsgParam::Scalar(ipc::kUint32, 1),
                                            MsgParam::Scalar(ipc::kInt32, 0), MsgParam::Text16(u""),
                                            MsgParam::Text16(u""), MsgParam::Text16(u"")}));
    frames = Join(frames, Request(3, big));
    WriteAll(h.get(), frames);
    replies = ReadReplies(h.get(), 1);
    // Closing the client ends the server's loop.
  });
  ASSERT_TRUE(server.transport.AttachAndConnect(pipe, true));
  EXPECT_EQ(server.Serve(), ipc::kTransportEnded);
  client.join();

  EXPECT_EQ(server.svc.countErrors, std::vector<int32_t>{1});
  EXPECT_EQ(server.svc.paramErrors, std::vector<int32_t>{2});
  EXPECT_EQ(CountLines(capture.Lines(), "!! svc:OnMsgArgCountError"), 2u);
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].id, 7);
  ASSERT_EQ(replies[0].params.size(), 2u);
  EXPECT_EQ(replies[0].params[0].Low32(), 3u);
  EXPECT_EQ(replies[0].params[1].text16, u"pn" + big);
}

}  // namespace
