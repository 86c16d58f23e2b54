// The portable half of the client: what it puts on the wire and how it
// judges what comes back.
#include <gtest/gtest.h>

#include "broker/broker_command_line.h"
#include "plugin/client/command_line.h"
#include "plugin/client/frame_reader.h"
#include "plugin/client/request_frames.h"
#include "plugin/client/value_text.h"
#include "protocol/hex_text.h"
#include "protocol/nul_joined_text.h"
#include "tests/support/frames.h"

namespace corvane::client {
namespace {

using ipc::MsgParam;
using test::Join;

TEST(ClientCommandLine, IsReadBackByTheBrokerAsWritten) {
  for (const std::u16string name : {u"corvane.1a.2b.3", u"a b", u"", u"x--proc=y"}) {
    const std::u16string line = BuildBrokerCommandLine(u"C:\\p q\\corvane-broker.exe", name, 4321);
    const auto parsed = ParseBrokerCommandLine(line);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->ipcValue, name);
    EXPECT_EQ(parsed->processId, 4321u);
  }
  EXPECT_EQ(BuildBrokerCommandLine(u"b.exe", u"n", 7), u"\"b.exe\" --ipc=n --proc=7");
  EXPECT_EQ(BrokerPipePath(u"n"), u"\\\\.\\pipe\\n");
  EXPECT_EQ(BrokerPipePath(u"\\\\.\\pipe\\n"), u"\\\\.\\pipe\\n");
}

TEST(ClientValueText, HexListsAndNumbers) {
  const std::vector<uint8_t> bytes = {0x00, 0x0f, 0xa5, 0xff};
  EXPECT_EQ(HexText::Encode(bytes), u"000fa5ff");
  EXPECT_EQ(HexToBytes(u"000FA5ff").value(), bytes);
  EXPECT_FALSE(HexToBytes(u"abc"));
  EXPECT_FALSE(HexToBytes(u"0g"));

  using V = std::vector<std::u16string>;
  EXPECT_EQ(SplitAtNul(u""), V{});
  EXPECT_EQ(SplitAtNul(std::u16string(u"A\0B\0", 4)), (V{u"A", u"B"}));
  EXPECT_EQ(SplitAtNul(std::u16string(u"\0\0", 2)), (V{u"", u""}));

  EXPECT_EQ(ParseDecimal(u"4294967295", 0xFFFFFFFFu).value(), 0xFFFFFFFFu);
  EXPECT_FALSE(ParseDecimal(u"4294967296", 0xFFFFFFFFu));
  EXPECT_FALSE(ParseDecimal(u"18446744073709551616", ~0ull));
  EXPECT_FALSE(ParseDecimal(u"", ~0ull));
}

Message Decode(const std::vector<uint8_t>& bytes) {
  FrameReader reader;
  reader.Append(bytes.data(), bytes.size());
  Message message;
  EXPECT_EQ(reader.Next(message), FrameReader::Step::Message);
  return message;
}

TEST(ClientProtocol, RequestsCarryTheirShapes) {
  const Message request = Decode(EncodeBrokerRequest(3, 1, u"k", u"n", u"d"));
  EXPECT_EQ(request.id, 6);
  ASSERT_EQ(request.params.size(), 5u);
  const int32_t tags[] = {2, 2, 25, 25, 25};
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(request.params[i].type, tags[i]);
  EXPECT_EQ(request.params[0].Low32(), 3u);
  EXPECT_EQ(request.params[1].Low32(), 1u);
  EXPECT_EQ(request.params[4].text16, u"d");

  const Message channel = Decode(EncodeGetPluginChannel(0x1234));
  EXPECT_EQ(channel.id, 3);
  ASSERT_EQ(channel.params.size(), 1u);
  EXPECT_EQ(channel.params[0].type, 4);
  EXPECT_EQ(channel.params[0].Low32(), 0x1234u);
}

TEST(ClientProtocol, RepliesAreCheckedForIdAndTags) {
  auto reply = ToReply(Decode(EncodeMessage(7, {MsgParam::Scalar(2, 4), MsgParam::Text16(u"t")})));
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->status, StatusCode(BrokerStatus::Invalid));
  EXPECT_EQ(reply->text, u"t");

  const std::vector<std::vector<uint8_t>> notReply7 = {
      EncodeMessage(4, {MsgParam::Scalar(2, 0), MsgParam::Text16(u"t")}),
      EncodeMessage(7, {MsgParam::Text16(u"t"), MsgParam::Scalar(2, 0)}),
      EncodeMessage(7, {MsgParam::Scalar(2, 0)}),
  };
  for (const auto& bytes : notReply7) {
    auto bad = ToReply(Decode(bytes));
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.error().kind, ErrorKind::Malformed);
  }

  auto channel = ToPluginChannel(
      Decode(EncodeMessage(4, {MsgParam::Scalar(4, 0), MsgParam::Scalar(7, 0x9c)})));
  ASSERT_TRUE(channel);
  EXPECT_TRUE(channel->ok());
  EXPECT_EQ(channel->handle, 0x9cu);
  auto none = ToPluginChannel(
      Decode(EncodeMessage(4, {MsgParam::Scalar(4, 0), MsgParam::Scalar(7, kNoHandle)})));
  ASSERT_TRUE(none);
  EXPECT_FALSE(none->ok());
  EXPECT_FALSE(
      ToPluginChannel(Decode(EncodeMessage(4, {MsgParam::Scalar(4, 0), MsgParam::Scalar(4, 1)}))));
  EXPECT_FALSE(
      ToPluginChannel(Decode(EncodeMessage(7, {MsgParam::Scalar(2, 0), MsgParam::Text16(u"")}))));
}

TEST(ClientFrameReader, SplitsAStreamIntoMessages) {
  const auto a = EncodeMessage(7, {MsgParam::Scalar(2, 0), MsgParam::Text16(u"first")});
  const auto b = EncodeMessage(4, {MsgParam::Scalar(4, 5), MsgParam::Scalar(7, 6)});
  const auto both = Join(a, b);
  FrameReader reader;
  Message message;
  // One byte at a time: nothing until the last byte of each frame.
  size_t messages = 0;
  for (size_t i = 0; i < both.size(); ++i) {
    reader.Append(&both[i], 1);
    const auto step = reader.Next(message);
    ASSERT_NE(step, FrameReader::Step::BadFrame);
    if (step == FrameReader::Step::Message) {
      ++messages;
      EXPECT_EQ(i + 1, messages == 1 ? a.size() : both.size());
    }
  }
  EXPECT_EQ(messages, 2u);
  EXPECT_EQ(message.id, 4);

  // Back to back in one piece.
  reader.Append(both.data(), both.size());
  ASSERT_EQ(reader.Next(message), FrameReader::Step::Message);
  EXPECT_EQ(message.params[1].text16, u"first");
  ASSERT_EQ(reader.Next(message), FrameReader::Step::Message);
  EXPECT_EQ(message.id, 4);
  EXPECT_EQ(reader.Next(message), FrameReader::Step::NeedMore);
  EXPECT_FALSE(reader.HasBufferedBytes());
}

TEST(ClientFrameReader, BadFrameDropsWhatIsBufferedAndLaterFramesStillRead) {
  FrameReader reader;
  const auto junk = test::Words({1, 2, 3, 4, 5});
  reader.Append(junk.data(), junk.size());
  Message message;
  EXPECT_EQ(reader.Next(message), FrameReader::Step::BadFrame);
  EXPECT_FALSE(reader.HasBufferedBytes());
  const auto good = EncodeMessage(7, {MsgParam::Scalar(2, 0), MsgParam::Text16(u"ok")});
  reader.Append(good.data(), good.size());
  EXPECT_EQ(reader.Next(message), FrameReader::Step::Message);
}

}  // namespace
}  // namespace corvane::client
