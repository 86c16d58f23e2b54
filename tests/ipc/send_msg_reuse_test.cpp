// SendMsg keeps a small encoder storage between sends on a channel: every
// frame must still be exactly the frame of its own parameters, also right
// after a much larger one and when a send happens while another is being
// written.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ipc/kept_storage.h"
#include "ipc/send_msg.h"
#include "tests/support/frames.h"

namespace {

using ipc::MsgParam;

std::vector<uint8_t> Reply(const std::u16string& text) {
  return corvane::test::EncodeMessage(7,
                                      {MsgParam::Scalar(ipc::kInt32, 0), MsgParam::Text16(text)});
}

// Collects each write as its own frame; can send another message from
// inside a write, as a window message pumped during a write might.
struct RecordingTransport {
  std::vector<std::vector<uint8_t>> frames;
  std::u16string nestedText;  // sent from inside the first write when set

  template <class Channel>
  bool WriteFrom(Channel* channel, const void* data, uint64_t length) {
    const auto* p = static_cast<const uint8_t*>(data);
    const std::vector<uint8_t> before(p, p + length);
    if (!nestedText.empty()) {
      const std::u16string text = std::move(nestedText);
      nestedText.clear();
      MsgParam status = MsgParam::Scalar(ipc::kInt32, 0);
      MsgParam reply = MsgParam::Text16(text);
      MsgParam* params[2] = {&status, &reply};
      if (ipc::SendMsg(channel, 7, params, 2) != ipc::kSendOk) return false;
    }
    // The outer frame must not have changed while the nested send ran.
    if (std::vector<uint8_t>(p, p + length) != before) return false;
    frames.push_back(before);
    return true;
  }
};

struct Channel;
struct ChannelTransport {
  Channel* channel;
  RecordingTransport* recorder;
  bool Write(const void* data, uint64_t length);
};
struct Channel {
  ChannelTransport* transport;
  ipc::KeptStorage* kept = nullptr;
  ipc::Encoder encoder;
  bool encoderInUse = false;
};
bool ChannelTransport::Write(const void* data, uint64_t length) {
  return recorder->WriteFrom(channel, data, length);
}

int64_t SendReply(Channel& channel, std::u16string text) {
  MsgParam status = MsgParam::Scalar(ipc::kInt32, 0);
  MsgParam reply = MsgParam::Text16(std::move(text));
  MsgParam* params[2] = {&status, &reply};
  return ipc::SendMsg(&channel, 7, params, 2);
}

TEST(SendMsgReuse, SmallFrameAfterLargeOneIsExact) {
  // A large text with room to spare (as a file's contents come) is sent from
  // its own storage, one without from the encoder's.
  for (bool room : {false, true}) {
    RecordingTransport recorder;
    Channel channel{};
    ChannelTransport transport{&channel, &recorder};
    channel.transport = &transport;
    const auto large = [room] {
      std::u16string text;
      text.reserve((1 << 20) + (room ? ipc::kFrameRoomUnits : 0));
      text.assign(1 << 20, u'x');
      return text;
    };
    ASSERT_EQ(SendReply(channel, large()), ipc::kSendOk);
    ASSERT_EQ(SendReply(channel, u"pong"), ipc::kSendOk);
    ASSERT_EQ(recorder.frames.size(), 2u);
    EXPECT_EQ(recorder.frames[0], Reply(large())) << room;
    EXPECT_EQ(recorder.frames[1], Reply(u"pong")) << room;
    EXPECT_EQ(recorder.frames[1].size(), 88u);
  }
}

// A channel with kept storage keeps the largest reply's storage for the
// next large reply; each frame is still exactly its own, also when built in
// storage that held a longer one. Without kept storage nothing stays.
TEST(SendMsgReuse, LargeReplyStorageIsKeptOnlyWhereTheChannelKeepsIt) {
  RecordingTransport recorder;
  ipc::KeptStorage kept;
  Channel channel{};
  ChannelTransport transport{&channel, &recorder};
  channel.transport = &transport;
  const auto withRoom = [](size_t units, char16_t unit) {
    std::u16string text;
    text.reserve(units + ipc::kFrameRoomUnits);
    text.assign(units, unit);
    return text;
  };
  ASSERT_EQ(SendReply(channel, withRoom(100000, u'a')), ipc::kSendOk);
  EXPECT_FALSE(kept.Holds());
  channel.kept = &kept;
  ASSERT_EQ(SendReply(channel, withRoom(100000, u'b')), ipc::kSendOk);
  ASSERT_TRUE(kept.Holds());
  // A smaller reply leaves the larger storage kept.
  ASSERT_EQ(SendReply(channel, withRoom(50000, u'c')), ipc::kSendOk);
  std::u16string text = kept.TakeText();
  EXPECT_FALSE(kept.Holds());
  EXPECT_GE(text.capacity(), 100000 + ipc::kFrameRoomUnits);
  // Filled shorter than before: padding and trailer are those of this text.
  text.assign(4001, u'd');
  const char16_t* storage = text.data();
  ASSERT_EQ(SendReply(channel, std::move(text)), ipc::kSendOk);
  text = kept.TakeText();
  EXPECT_EQ(text.data(), storage);
  kept.KeepText(text);
  EXPECT_TRUE(kept.Holds());
  kept.Release();
  EXPECT_FALSE(kept.Holds());
  ASSERT_EQ(SendReply(channel, withRoom(70000, u'e')), ipc::kSendOk);
  EXPECT_TRUE(kept.Holds());
  ASSERT_EQ(recorder.frames.size(), 5u);
  EXPECT_EQ(recorder.frames[0], Reply(std::u16string(100000, u'a')));
  EXPECT_EQ(recorder.frames[1], Reply(std::u16string(100000, u'b')));
  EXPECT_EQ(recorder.frames[2], Reply(std::u16string(50000, u'c')));
  EXPECT_EQ(recorder.frames[3], Reply(std::u16string(4001, u'd')));
  EXPECT_EQ(recorder.frames[4], Reply(std::u16string(70000, u'e')));
}

TEST(SendMsgReuse, SendDuringAWriteLeavesTheFrameBeingWrittenIntact) {
  RecordingTransport recorder;
  Channel channel{};
  ChannelTransport transport{&channel, &recorder};
  channel.transport = &transport;
  recorder.nestedText = std::u16string(5000, u'n');
  ASSERT_EQ(SendReply(channel, u"outer"), ipc::kSendOk);
  ASSERT_EQ(recorder.frames.size(), 2u);
  EXPECT_EQ(recorder.frames[0], Reply(std::u16string(5000, u'n')));
  EXPECT_EQ(recorder.frames[1], Reply(u"outer"));
  // And the kept storage is usable again afterwards.
  ASSERT_EQ(SendReply(channel, u"after"), ipc::kSendOk);
  EXPECT_EQ(recorder.frames.back(), Reply(u"after"));
}

TEST(SendMsgReuse, UnencodableParameterThenGoodFrame) {
  RecordingTransport recorder;
  Channel channel{};
  ChannelTransport transport{&channel, &recorder};
  channel.transport = &transport;
  MsgParam bad = MsgParam::Scalar(0, 1);
  MsgParam text = MsgParam::Text16(std::u16string(3000, u'z'));
  MsgParam* params[2] = {&text, &bad};
  EXPECT_EQ(ipc::SendMsg(&channel, 7, params, 2), ipc::kSendUnencodable);
  EXPECT_TRUE(recorder.frames.empty());
  ASSERT_EQ(SendReply(channel, u"pong"), ipc::kSendOk);
  EXPECT_EQ(recorder.frames.back(), Reply(u"pong"));
}

}  // namespace
