// The channel thread's receive loop, end to end through the real broker:
// how bytes on the pipe become messages, and which messages end it.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/broker/broker_test_support.h"
#include "tests/support/frames.h"

namespace corvane::test {
namespace {

using ipc::MsgParam;

std::vector<uint8_t> KeepAlive(int32_t tag, uint64_t value) {
  return Frame(ipc::kMsgKeepAlive, {MsgParam::Scalar(tag, value)});
}

// Sends `bytes` in pieces of the given sizes, the rest in one last piece.
void SendInPieces(BrokerConnection& c, const std::vector<uint8_t>& bytes,
                  std::initializer_list<size_t> sizes) {
  size_t at = 0;
  for (size_t size : sizes) {
    ASSERT_TRUE(
        c.SendBytes(std::vector<uint8_t>(bytes.begin() + static_cast<ptrdiff_t>(at),
                                         bytes.begin() + static_cast<ptrdiff_t>(at + size))));
    at += size;
    Sleep(5);  // lets the broker read each piece on its own
  }
  ASSERT_TRUE(
      c.SendBytes(std::vector<uint8_t>(bytes.begin() + static_cast<ptrdiff_t>(at), bytes.end())));
}

TEST(ReceiveLoop, KeepAliveGetsNoReplyAndTheLoopGoesOn) {
  BrokerSession s = Launch();
  ASSERT_TRUE(s.connection.KeepAlive());
  ASSERT_TRUE(s.connection.SendBytes(KeepAlive(ipc::kInt64, 0)));
  ASSERT_TRUE(s.connection.SendBytes(KeepAlive(ipc::kByte, 0x100)));  // only the low byte counts
  ASSERT_TRUE(s.connection.SendBytes(PingFrame()));
  EXPECT_TRUE(NextIsPong(s.connection));
  s.connection.Close();
  EXPECT_EQ(ExitCodeOf(s.process), 0u);
}

TEST(ReceiveLoop, BackToBackFramesInOneWriteAreAllServed) {
  BrokerSession s = Launch();
  ASSERT_TRUE(s.connection.SendBytes(
      Join(Join(PingFrame(), client::EncodeKeepAlive()), Join(PingFrame(), PingFrame()))));
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(NextIsPong(s.connection)) << i;
  s.connection.Close();
  EXPECT_EQ(ExitCodeOf(s.process), 0u);
}

TEST(ReceiveLoop, FrameInManyPiecesIsDecodedOnceComplete) {
  BrokerSession s = Launch();
  // Pieces that end mid-word, inside the header, tags and a text.
  SendInPieces(s.connection, PingFrame(), {1, 2, 4, 9, 16, 3, 21});
  EXPECT_TRUE(NextIsPong(s.connection));

  // Larger than one 4096-byte read, followed at once by a second frame.
  const std::vector<uint8_t> big =
      client::EncodeBrokerRequest(11, 0, std::u16string(5000, u'p'), u"", u"");
  SendInPieces(s.connection, Join(big, PingFrame()), {4095, 1, 4097});
  EXPECT_TRUE(NextIsPong(s.connection));
  EXPECT_TRUE(NextIsPong(s.connection));
  s.connection.Close();
  EXPECT_EQ(ExitCodeOf(s.process), 0u);
}

TEST(ReceiveLoop, MessageWithoutServiceEndsTheBrokerWithoutReply) {
  const std::vector<std::vector<uint8_t>> unserved = {
      Frame(2, {MsgParam::Scalar(ipc::kInt32, 0)}),
      Frame(5, {MsgParam::Scalar(ipc::kInt32, 0)}),
      Frame(7, {MsgParam::Scalar(ipc::kInt32, 0), MsgParam::Text16(u"x")}),
      KeepAlive(ipc::kInt32, 1),  // a keep-alive only with the value 0
      Frame(ipc::kMsgKeepAlive, {MsgParam::Text16(u"")}),
      Frame(ipc::kMsgKeepAlive,
            {MsgParam::Scalar(ipc::kInt32, 0), MsgParam::Scalar(ipc::kInt32, 0)}),
  };
  for (size_t i = 0; i < unserved.size(); ++i) {
    BrokerSession s = Launch();
    // A ping behind it in the same write is not answered either.
    ASSERT_TRUE(s.connection.SendBytes(Join(unserved[i], PingFrame())));
    EXPECT_TRUE(EndsWithoutReply(s.connection)) << i;
    EXPECT_EQ(ExitCodeOf(s.process), 0u) << i;
  }
}

TEST(ReceiveLoop, BadFrameEndsTheBrokerWithoutReply) {
  const std::vector<std::vector<uint8_t>> bad = {
      Words({0x12345678, 6, 1, 7, 2, 0x4B524F4D, 0, 0x474E4142}),  // wrong magic
      Words({0x4D4F524B, 6, 21, 28}),                              // 21 parameters
      Join(PingFrame(), Words({0x4D4F524B, 11, 0, 5, 0x4B524F4D})),
  };
  for (size_t i = 0; i < bad.size(); ++i) {
    BrokerSession s = Launch();
    ASSERT_TRUE(s.connection.SendBytes(bad[i]));
    if (i == 2) {
      EXPECT_TRUE(NextIsPong(s.connection));  // the good frame before it
    }
    EXPECT_TRUE(EndsWithoutReply(s.connection)) << i;
    EXPECT_EQ(ExitCodeOf(s.process), 0u) << i;
  }
}

TEST(ReceiveLoop, RequestOfTheWrongShapeIsDroppedAndTheLoopGoesOn) {
  BrokerSession s = Launch();
  ASSERT_TRUE(s.connection.SendBytes(Frame(ipc::kMsgBrokerRequest, {MsgParam::Scalar(2, 11)})));
  ASSERT_TRUE(s.connection.SendBytes(PingFrame()));
  EXPECT_TRUE(NextIsPong(s.connection));
  s.connection.Close();
  EXPECT_EQ(ExitCodeOf(s.process), 0u);
}

}  // namespace
}  // namespace corvane::test
