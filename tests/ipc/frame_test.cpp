// Frame encoding and incremental decoding.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "ipc/channel.h"
#include "ipc/decoder.h"
#include "ipc/encoder.h"
#include "ipc/kept_storage.h"
#include "ipc/send_msg.h"
#include "tests/support/frames.h"
#include "tests/support/memory_transport.h"

namespace {

using corvane::test::EncodeMessage;
using corvane::test::Join;
using corvane::test::Words;
using ipc::MsgParam;

using corvane::test::kEnd;
using corvane::test::kMagic;
using corvane::test::kSep;
using corvane::test::kT16;

std::vector<uint8_t> PongFrame() {
  return EncodeMessage(7, {MsgParam::Scalar(ipc::kInt32, 0), MsgParam::Text16(u"pong")});
}

struct Decoded {
  explicit Decoded(ipc::KeptStorage* kept = nullptr) : decoder(&list, kept) { list.kept = kept; }
  ipc::MsgParamList list;
  ipc::Decoder decoder;
  ipc::DecodeResult Feed(const std::vector<uint8_t>& bytes) {
    decoder.Append(bytes.data(), bytes.size());
    return decoder.Decode();
  }
};

TEST(FrameEncoding, PongReplyIsExactlyTheWorkedExample) {
  const auto bytes = PongFrame();
  const auto expected =
      Words({kMagic, 7, 2, 11, 2, kT16 + 25, kSep, 0, 4, 0x0067006E006F0070ull, kEnd});
  ASSERT_EQ(bytes.size(), 88u);
  // Word 7's high four bytes are not significant.
  for (size_t i = 0; i < 88; ++i) {
    if (i >= 60 && i < 64) continue;
    EXPECT_EQ(bytes[i], expected[i]) << "byte " << i;
  }
  Decoded d;
  ASSERT_EQ(d.Feed(bytes), ipc::kComplete);
  EXPECT_EQ(d.list.msgId, 7);
  ASSERT_EQ(d.list.count, 2u);
  EXPECT_EQ(d.list.params[0].type, 2);
  EXPECT_EQ(d.list.params[0].Low32(), 0u);
  EXPECT_EQ(d.list.params[1].type, 25);
  EXPECT_EQ(d.list.params[1].text16, u"pong");
  EXPECT_TRUE(d.decoder.buffered().empty());
}

TEST(FrameDecoding, SplitAtEveryByteBoundaryDecodesTheSame) {
  const auto bytes =
      EncodeMessage(6, {MsgParam::Scalar(ipc::kInt32, 9), MsgParam::Scalar(ipc::kInt32, 1),
                        MsgParam::Text16(u"software\\corvane"), MsgParam::Text16(u""),
                        MsgParam::Text8("xyz", ipc::kBytes)});
  for (size_t cut = 1; cut < bytes.size(); ++cut) {
    Decoded d;
    const std::vector<uint8_t> a(bytes.begin(), bytes.begin() + static_cast<long>(cut));
    const std::vector<uint8_t> b(bytes.begin() + static_cast<long>(cut), bytes.end());
    ASSERT_EQ(d.Feed(a), ipc::kNeedMore) << cut;
    ASSERT_EQ(d.Feed(b), ipc::kComplete) << cut;
    ASSERT_EQ(d.list.count, 5u);
    EXPECT_EQ(d.list.params[0].Low32(), 9u);
    EXPECT_EQ(d.list.params[2].text16, u"software\\corvane");
    EXPECT_EQ(d.list.params[3].text16, u"");
    EXPECT_EQ(d.list.params[4].text8, "xyz");
  }
}

TEST(FrameDecoding, HeaderAloneLeavesStateTags) {
  Decoded d;
  const auto bytes = PongFrame();
  EXPECT_EQ(d.Feed({bytes.begin(), bytes.begin() + 32}), ipc::kNeedMore);
  EXPECT_EQ(d.decoder.state(), ipc::kReadTags);
}

TEST(FrameDecoding, TwoFramesInOneBufferDecodeOneAfterTheOther) {
  Decoded d;
  const auto second = EncodeMessage(6, {MsgParam::Scalar(ipc::kInt32, 11)});
  ASSERT_EQ(d.Feed(Join(PongFrame(), second)), ipc::kComplete);
  EXPECT_EQ(d.list.msgId, 7);
  EXPECT_EQ(d.decoder.buffered(), second);
  EXPECT_EQ(d.decoder.Decode(), ipc::kBadFrame);  // Done until Reset
  d.list.Clear();
  d.decoder.Reset();
  ASSERT_EQ(d.decoder.Decode(), ipc::kComplete);
  EXPECT_EQ(d.list.msgId, 6);
  EXPECT_EQ(d.list.params[0].Low32(), 11u);
}

struct BadHeader {
  const char* what;
  std::vector<uint8_t> bytes;
  int32_t idLeft;
};

TEST(FrameDecoding, EveryBrokenRuleIsBadFrame) {
  const std::vector<BadHeader> cases = {
      {"magic", Words({kMagic + 1, 7, 1, 7, 2, kSep, 0}), -1},
      {"negative id", Words({kMagic, 0xFFFFFFFF, 1, 7, 2, kSep, 0}), -1},
      {"n = 0", Words({kMagic, 7, 0, 7, 2, kSep, 0}), -1},
      {"n = 100", Words({kMagic, 7, 100, 7, 2, kSep, 0}), 7},
      {"n = 21", Words({kMagic, 7, 21, 7, 2, kSep, 0}), 7},
      {"total 4", Words({kMagic, 7, 1, 4, 2, kSep, 0}), -1},
      {"total 8388609", Words({kMagic, 7, 1, 8388609, 2, kSep, 0}), -1},
      {"separator", Words({kMagic, 7, 1, 7, 2, kSep + 1, 0}), 7},
      {"fewer words left than tags", Words({kMagic, 7, 2, 7, 2, 2, kSep, 0}), 7},
      {"scalar tag 0", Words({kMagic, 7, 1, 7, 0, kSep, 0, kEnd}), 7},
      {"scalar tag 11", Words({kMagic, 7, 1, 7, 11, kSep, 0, kEnd}), 7},
      {"trailer", Words({kMagic, 7, 1, 7, 2, kSep, 0, kEnd + 1}), 7},
      {"negative string length", Words({kMagic, 7, 1, 8, kT16 + 25, kSep, 0xFFFFFFFF, kEnd}), 7},
      {"negative 8-bit length", Words({kMagic, 7, 1, 8, 0x40000017, kSep, 0x80000000, kEnd}), 7},
  };
  for (const auto& c : cases) {
    Decoded d;
    EXPECT_EQ(d.Feed(c.bytes), ipc::kBadFrame) << c.what;
    EXPECT_EQ(d.list.msgId, c.idLeft) << c.what;
  }
}

TEST(FrameDecoding, StringLongerThanItsFrameIsBadFrame) {
  // The frame declares one payload word per parameter, but the 8-bit string
  // claims two data words and so swallows the scalar and the trailer. Waiting
  // for more bytes would decode the string a second time when they arrive.
  Decoded d;
  EXPECT_EQ(d.Feed(Words({kMagic, 7, 2, 9, 0x40000017, 2, kSep, 16, 0x6867666564636261ull,
                          0x706F6E6D6C6B6A69ull})),
            ipc::kBadFrame);
  EXPECT_EQ(d.list.count, 1u);
  // The same string within a frame whose total agrees decodes normally.
  Decoded e;
  EXPECT_EQ(e.Feed(Words({kMagic, 7, 2, 11, 0x40000017, 2, kSep, 16, 0x6867666564636261ull,
                          0x706F6E6D6C6B6A69ull, 5, kEnd})),
            ipc::kComplete);
  ASSERT_EQ(e.list.count, 2u);
  EXPECT_EQ(e.list.params[0].text8, "abcdefghijklmnop");
  EXPECT_EQ(e.list.params[1].value, 5u);
}

TEST(FrameDecoding, StringRunningPastTheBufferIsLeftOut) {
  // The length word claims 100 units that never arrive: the string is not
  // appended and decoding goes on after its length word, here the trailer.
  Decoded d;
  EXPECT_EQ(d.Feed(Words({kMagic, 7, 2, 9, kT16 + 25, 2, kSep, 100, 3, kEnd})), ipc::kComplete);
  ASSERT_EQ(d.list.count, 1u);
  EXPECT_EQ(d.list.params[0].type, 2);
  EXPECT_EQ(d.list.params[0].value, 3u);
}

TEST(FrameDecoding, HeaderLimitsThatStillPass) {
  Decoded d;
  // n = 20 and the largest total pass the header and wait for the rest.
  EXPECT_EQ(d.Feed(Words({kMagic, 7, 20, 8388608})), ipc::kNeedMore);
  EXPECT_EQ(d.decoder.state(), ipc::kReadTags);
  // Only the low 32 bits of header words count.
  Decoded e;
  EXPECT_EQ(e.Feed(Words({kMagic | 0xABCD00000000ull, 7, 1, 7, 2, kSep, 5, kEnd})),
            ipc::kNeedMore + 1);
}

TEST(FrameDecoding, StringPackingAndTagSemantics) {
  Decoded d;
  std::string abzc("ab\0c", 4);
  std::u16string mid(u"ab\0cd", 5);
  const auto bytes =
      EncodeMessage(9, {MsgParam::Text8(abzc, ipc::kText8Terminated),
                        MsgParam::Text8(abzc, ipc::kText8), MsgParam::Text8(abzc, ipc::kBytes),
                        MsgParam::Text16(mid), MsgParam::Text8("", ipc::kText8)});
  MsgParam t24 = MsgParam::Text16(mid);
  t24.type = ipc::kText16Terminated;
  ipc::Encoder e;
  MsgParam* one[1] = {&t24};
  ASSERT_TRUE(ipc::EncodeMsg(e, 9, one, 1));
  ASSERT_EQ(d.Feed(bytes), ipc::kComplete);
  EXPECT_EQ(d.list.params[0].text8, "ab");
  EXPECT_EQ(d.list.params[1].text8, abzc);
  EXPECT_EQ(d.list.params[2].text8, abzc);
  EXPECT_EQ(d.list.params[3].text16, mid);
  EXPECT_EQ(d.list.params[4].text8, "");
  Decoded f;
  const auto* raw = static_cast<const uint8_t*>(e.data());
  ASSERT_EQ(f.Feed({raw, raw + e.byteSize()}), ipc::kComplete);
  EXPECT_EQ(f.list.params[0].text16, u"ab");
}

TEST(FrameEncoding, StringSizesInWords) {
  auto words = [](MsgParam p) { return EncodeMessage(1, {std::move(p)}).size() / 8; };
  // Frame overhead for one parameter: 4 header + 1 tag + separator + trailer.
  EXPECT_EQ(words(MsgParam::Text8("", ipc::kText8)), 7u + 1);
  EXPECT_EQ(words(MsgParam::Text8("12345678", ipc::kText8)), 7u + 2);
  EXPECT_EQ(words(MsgParam::Text8("123456789", ipc::kText8)), 7u + 3);
  EXPECT_EQ(words(MsgParam::Text16(u"abcd")), 7u + 2);
  EXPECT_EQ(words(MsgParam::Text16(u"abcde")), 7u + 3);
  const auto nine = EncodeMessage(1, {MsgParam::Text8("123456789", ipc::kBytes)});
  for (size_t i = 8 * 8 + 1; i < 8 * 9; ++i) EXPECT_EQ(nine[i], 0) << i;
  // 8-bit class tag words carry bit 30 and no sign extension.
  EXPECT_EQ(nine, Join(Words({kMagic, 1, 1, 10, 0x4000001A, kSep, 9, 0x3837363534333231ull}),
                       Words({0x39, kEnd})));
  const auto five = EncodeMessage(1, {MsgParam::Text16(u"abcde")});
  EXPECT_EQ(five, Join(Words({kMagic, 1, 1, 10, kT16 + 25, kSep, 5, 0x0064006300620061ull}),
                       Words({0x65, kEnd})));
}

// A last 16-bit text with room to spare becomes the frame's own storage; the
// bytes are those of a frame built the ordinary way, padding included.
TEST(FrameEncoding, FrameBuiltInTheLastTextsStorageIsTheSameFrame) {
  const std::vector<std::vector<MsgParam>> fronts = {
      {},
      {MsgParam::Scalar(ipc::kInt32, 3)},
      {MsgParam::Scalar(ipc::kInt64, ~0ull), MsgParam::Text8("abc")},
  };
  for (const auto& front : fronts) {
    for (size_t units : {size_t{0}, size_t{1}, size_t{3}, size_t{4}, size_t{5}, size_t{4001}}) {
      for (int32_t tag : {ipc::kText16, ipc::kText16Terminated}) {
        for (bool room : {true, false}) {
          std::u16string text;
          text.reserve(units + (room ? ipc::kFrameRoomUnits : 0));
          for (size_t i = 0; i < units; ++i) text.push_back(static_cast<char16_t>(u'a' + i % 26));
          std::vector<MsgParam> params = front;
          params.push_back(MsgParam::Text16(std::move(text)));
          params.back().type = tag;
          const auto expected = EncodeMessage(7, params);
          std::vector<MsgParam*> ptrs;
          for (auto& p : params) ptrs.push_back(&p);
          ipc::Encoder e;
          ASSERT_TRUE(ipc::EncodeMsg(e, 7, ptrs.data(), static_cast<int32_t>(ptrs.size()), true));
          const auto* b = static_cast<const uint8_t*>(e.data());
          const std::string what = std::to_string(front.size()) + " in front, " +
                                   std::to_string(units) + " units, tag " + std::to_string(tag);
          EXPECT_EQ(std::vector<uint8_t>(b, b + e.byteSize()), expected) << what;
          EXPECT_EQ(e.wordCount() * 8, expected.size()) << what;
          // Taken only when it had room.
          const bool taken = params.back().text16.empty() && units != 0;
          EXPECT_EQ(taken, room && units != 0) << what;
        }
      }
    }
  }
}

// Storage that a large message grew is given back once the message is
// served; what follows it in the buffer stays.
TEST(FrameDecoding, LargeStorageIsGivenBackOnceServed) {
  Decoded d;
  const std::u16string big(100000, u'b');
  const auto pong = PongFrame();
  ASSERT_EQ(
      d.Feed(Join(EncodeMessage(6, {MsgParam::Text16(big)}), {pong.begin(), pong.begin() + 8})),
      ipc::kComplete);
  EXPECT_EQ(d.list.params[0].text16, big);
  d.list.Clear();
  d.decoder.Reset();
  EXPECT_LE(d.list.params[0].text16.capacity() * 2, ipc::kKeptStorageBytes);
  EXPECT_LE(d.decoder.buffered().capacity(), ipc::kKeptStorageBytes);
  EXPECT_EQ(d.Feed({pong.begin() + 8, pong.end()}), ipc::kComplete);
  EXPECT_EQ(d.list.params[1].text16, u"pong");
}

// With kept storage, large frames one after another are read in storage an
// earlier one left, each exactly as sent, also when that storage held a
// longer text.
TEST(FrameDecoding, LargeFramesInKeptStorageDecodeExactly) {
  ipc::KeptStorage kept;
  {
    Decoded d(&kept);
    for (const auto& [units, unit] : {std::pair{size_t{100000}, u'a'},
                                      {40001, u'b'},
                                      {100000, u'c'},
                                      {120000, u'd'},
                                      {3, u'e'}}) {
      const std::u16string text(units, unit);
      // In the pieces the channel reads.
      const std::vector<uint8_t> frame =
          EncodeMessage(6, {MsgParam::Text16(u"p"), MsgParam::Text16(text)});
      ipc::DecodeResult r = ipc::kNeedMore;
      for (size_t at = 0; at < frame.size() && r == ipc::kNeedMore; at += 4096) {
        r = d.Feed(
            {frame.begin() + static_cast<std::ptrdiff_t>(at),
             frame.begin() + static_cast<std::ptrdiff_t>(std::min(at + 4096, frame.size()))});
      }
      ASSERT_EQ(r, ipc::kComplete) << units;
      EXPECT_EQ(d.list.params[0].text16, u"p");
      EXPECT_TRUE(d.list.params[1].text16 == text) << units;
      d.list.Clear();
      d.list.msgId = -1;
      d.decoder.Reset();
    }
  }
  EXPECT_TRUE(kept.Holds());
}

TEST(FrameDecoding, NullMarkersAndUnknownStringTags) {
  Decoded d;
  // Tags 8, 9, 10 decode to -1 whatever their word holds; a tag word with
  // bit 30 over 24 is skipped with its payload.
  ASSERT_EQ(
      d.Feed(Words({kMagic, 5, 4, 14, 8, 9, 10, 0x40000018, kSep, 123, 0, 77, 3, 0x636261, kEnd})),
      ipc::kComplete);
  ASSERT_EQ(d.list.count, 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(d.list.params[i].value & 0xFFFFFFFF, 0xFFFFFFFFu);
    EXPECT_TRUE(d.list.params[i].text8.empty() && d.list.params[i].text16.empty());
  }
  EXPECT_EQ(d.list.params[2].type, 10);
}

TEST(FrameDecoding, ScalarWidthsKeepOnlyTheirBytes) {
  Decoded d;
  const uint64_t w = 0x1122334455667788ull;
  ASSERT_EQ(d.Feed(Words({kMagic, 1, 4, 13, 2, 5, 6, 7, kSep, w, w, w, w, kEnd})), ipc::kComplete);
  EXPECT_EQ(d.list.params[0].value, 0x55667788u);
  EXPECT_EQ(d.list.params[1].value, 0x88u);
  EXPECT_EQ(d.list.params[2].value, 0x7788u);
  EXPECT_EQ(d.list.params[3].value, w);
}

TEST(SendMsg, UnencodableTypeWritesNothing) {
  corvane::test::MemoryTransport t;
  ipc::Channel<corvane::test::MemoryTransport> ch{&t};
  for (int32_t bad : {0, 11, 21, 27}) {
    MsgParam ok = MsgParam::Scalar(ipc::kInt32, 1);
    MsgParam p = MsgParam::Scalar(bad, 1);
    MsgParam* params[2] = {&ok, &p};
    EXPECT_EQ(ipc::SendMsg(&ch, 7, params, 2), ipc::kSendUnencodable) << bad;
  }
  EXPECT_EQ(t.writes, 0);
  t.failWrites = true;
  MsgParam ok = MsgParam::Scalar(ipc::kInt32, 1);
  MsgParam* params[1] = {&ok};
  EXPECT_EQ(ipc::SendMsg(&ch, 7, params, 1), ipc::kSendWriteFailed);
  EXPECT_EQ(t.writes, 1);
}

// A reply larger than the 64 MiB any receiver accepts is refused before it is
// written, rather than reported as sent and then rejected at the other end.
TEST(SendMsg, FrameLargerThanReceiversAcceptIsRefused) {
  corvane::test::MemoryTransport t;
  ipc::Channel<corvane::test::MemoryTransport> ch{&t};
  // Four header words, two tags, the separator, the status, the text's length
  // and the trailer leave the rest of the words for the text, 4 units each.
  const size_t largest = (0x800000 - 10) * 4;
  MsgParam status = MsgParam::Scalar(ipc::kInt32, 0);
  MsgParam text = MsgParam::Text16(std::u16string(largest, u'x'));
  MsgParam* params[2] = {&status, &text};
  EXPECT_EQ(ipc::SendMsg(&ch, 7, params, 2), ipc::kSendOk);
  EXPECT_EQ(t.written.size(), 0x800000u * 8);
  t.written.clear();
  status = MsgParam::Scalar(ipc::kInt32, 0);
  text = MsgParam::Text16(std::u16string(largest + 1, u'x'));
  EXPECT_EQ(ipc::SendMsg(&ch, 7, params, 2), ipc::kSendUnencodable);
  EXPECT_TRUE(t.written.empty());
}

TEST(MsgParamList, HoldsAtMostTwentyOneAndClears) {
  ipc::MsgParamList list;
  for (int i = 0; i < 21; ++i) EXPECT_TRUE(list.Push(MsgParam::Text16(u"x")));
  EXPECT_FALSE(list.Push(MsgParam::Scalar(2, 1)));
  EXPECT_EQ(list.count, 21u);
  list.Clear();
  EXPECT_EQ(list.count, 0u);
  EXPECT_TRUE(list.params[0].text16.empty());
  EXPECT_FALSE(list.AddScalar(0, 22));
  EXPECT_FALSE(list.AddText8("a", 25));
  EXPECT_FALSE(list.AddText16(u"a", 23));
}

}  // namespace
