// The channel's receive loop over an in-memory transport: reading in pieces,
// the silent keep-alive, dispatch and the results that end the loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ipc/channel.h"
#include "ipc/handler.h"
#include "tests/ipc/test_service.h"
#include "tests/support/frames.h"
#include "tests/support/memory_transport.h"

namespace {

using corvane::test::DecodeAll;
using corvane::test::EncodeMessage;
using corvane::test::Join;
using corvane::test::MemoryTransport;
using corvane::test::Words;
using ipc::MsgParam;
using MemChannel = ipc::Channel<MemoryTransport>;
using Svc = corvane::test::TestSvc<MemChannel>;

using corvane::test::kEnd;
using corvane::test::kMagic;
using corvane::test::kSep;

std::vector<uint8_t> Request(uint32_t operation, std::u16string data = u"d") {
  return corvane::client::EncodeBrokerRequest(operation, 0, u"p", u"n", std::move(data));
}

// A frame of message 1 with one parameter given as its raw tag and value word.
std::vector<uint8_t> One(uint64_t tag, uint64_t word) {
  return Words({kMagic, 1, 1, 7, tag, kSep, word, kEnd});
}

std::vector<std::vector<uint8_t>> Pieces(const std::vector<uint8_t>& bytes, size_t size) {
  std::vector<std::vector<uint8_t>> out;
  for (size_t at = 0; at < bytes.size(); at += size) {
    const size_t end = std::min(bytes.size(), at + size);
    out.emplace_back(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(end));
  }
  return out;
}

struct Loop {
  MemoryTransport transport;
  MemChannel channel{&transport};
  Svc svc;
  ipc::BadMessageRecv<MemChannel> bad;
  std::vector<int32_t> lookups;

  int64_t Run(bool withDefault = true) {
    return channel.ReceiveLoop(withDefault ? &bad : nullptr,
                               [this](int32_t id) -> MemChannel::Handler* {
                                 lookups.push_back(id);
                                 return id == 6 ? &svc : nullptr;
                               });
  }
  size_t Replies() const { return DecodeAll(transport.written).size(); }
};

TEST(ReceiveLoop, SilentKeepAliveIsConsumedAndTheLoopGoesOn) {
  const std::vector<std::pair<const char*, std::vector<uint8_t>>> forms = {
      {"32-bit zero", EncodeMessage(1, {MsgParam::Scalar(ipc::kInt32, 0)})},
      {"64-bit zero", EncodeMessage(1, {MsgParam::Scalar(ipc::kInt64, 0)})},
      {"tag 1", One(1, 0)},
      {"tag 4", One(4, 0)},
      {"32-bit zero, high half set", One(2, 0xFFFFFFFF00000000ull)},
      {"byte zero, upper bytes set", One(5, 0xFF00)},
      {"16-bit zero, upper bytes set", One(6, 0xFFFF0000)},
  };
  for (const auto& [what, keepAlive] : forms) {
    Loop l;
    l.transport.Queue(keepAlive);
    l.transport.Queue(Request(1));
    EXPECT_EQ(l.Run(), ipc::kTransportEnded) << what;
    EXPECT_EQ(l.lookups, std::vector<int32_t>{6}) << what;
    EXPECT_EQ(l.svc.calls.size(), 1u) << what;
    EXPECT_EQ(l.Replies(), 1u) << what;
  }
}

TEST(ReceiveLoop, MessageOneInAnyOtherFormFindsNoServiceAndStops) {
  const std::vector<std::pair<const char*, std::vector<uint8_t>>> forms = {
      {"32-bit one", EncodeMessage(1, {MsgParam::Scalar(ipc::kInt32, 1)})},
      {"64-bit with only the high half set", One(7, 0x100000000ull)},
      {"byte one", One(5, 1)},
      {"empty text", EncodeMessage(1, {MsgParam::Text16(u"")})},
      {"empty bytes", EncodeMessage(1, {MsgParam::Text8("", ipc::kBytes)})},
      {"null 16-bit text", One(9, 0)},
      {"null 8-bit text", One(8, 0)},
      {"two zeros",
       EncodeMessage(1, {MsgParam::Scalar(ipc::kInt32, 0), MsgParam::Scalar(ipc::kInt32, 0)})},
  };
  for (const auto& [what, frame] : forms) {
    Loop l;
    l.transport.Queue(frame);
    l.transport.Queue(Request(1));
    EXPECT_EQ(l.Run(), ipc::kNoService) << what;
    EXPECT_EQ(l.lookups, std::vector<int32_t>{1}) << what;
    EXPECT_EQ(l.channel.lastMessageId, 1) << what;
    EXPECT_EQ(l.transport.writes, 0) << what;
    EXPECT_EQ(l.transport.incoming.size(), 1u) << what;  // nothing read after it
  }
}

TEST(ReceiveLoop, BackToBackFramesInOneReadAreBothServed) {
  Loop l;
  std::vector<int> readsAtCall;
  l.svc.onRequest = [&] { readsAtCall.push_back(l.transport.reads); };
  l.transport.Queue(Join(Join(Request(1), Request(2)), Request(3)));
  EXPECT_EQ(l.Run(), ipc::kTransportEnded);
  EXPECT_EQ(readsAtCall, (std::vector<int>{1, 1, 1}));
  ASSERT_EQ(l.svc.calls.size(), 3u);
  EXPECT_EQ(l.svc.calls[2].operation, 3u);
  EXPECT_EQ(l.Replies(), 3u);
  EXPECT_EQ(l.transport.reads, 2);
}

TEST(ReceiveLoop, FrameInPiecesIsServedOnceWhole) {
  const std::u16string big(3000, u'x');  // a frame of more than 4096 bytes
  const auto frame = Request(1, big);
  ASSERT_GT(frame.size(), 4096u);
  for (size_t piece : {size_t{1}, size_t{3}, size_t{8}, size_t{13}, size_t{4096}}) {
    Loop l;
    for (auto& p : Pieces(frame, piece)) l.transport.Queue(p);
    EXPECT_EQ(l.Run(), ipc::kTransportEnded) << piece;
    ASSERT_EQ(l.svc.calls.size(), 1u) << piece;
    EXPECT_EQ(l.svc.calls[0].data, big) << piece;
    EXPECT_EQ(l.Replies(), 1u) << piece;
  }
}

TEST(ReceiveLoop, ReadsGoOnUntilTheBufferHoldsWholeWords) {
  const auto first = Request(1);
  const auto second = Request(2);
  // The first read ends three bytes into the second frame: the first frame
  // is decoded only once a further read completes the word.
  Loop l;
  std::vector<int> readsAtCall;
  l.svc.onRequest = [&] { readsAtCall.push_back(l.transport.reads); };
  l.transport.Queue(Join(first, {second.begin(), second.begin() + 3}));
  l.transport.Queue({second.begin() + 3, second.begin() + 8});
  l.transport.Queue({second.begin() + 8, second.end()});
  EXPECT_EQ(l.Run(), ipc::kTransportEnded);
  EXPECT_EQ(readsAtCall, (std::vector<int>{2, 3}));

  // When the transport ends on a broken word, nothing in front of it is served.
  Loop m;
  m.transport.Queue(Join(first, {0x4B, 0x52, 0x4F}));
  EXPECT_EQ(m.Run(), ipc::kTransportEnded);
  EXPECT_TRUE(m.svc.calls.empty());
}

TEST(ReceiveLoop, EndsWithTheDocumentedResults) {
  {
    Loop l;  // nothing to read
    EXPECT_EQ(l.Run(), ipc::kTransportEnded);
    EXPECT_EQ(l.channel.lastMessageId, -1);
  }
  {
    Loop l;  // a read of zero bytes
    l.transport.Queue({});
    l.transport.Queue(Request(1));
    EXPECT_EQ(l.Run(), ipc::kTransportEnded);
    EXPECT_TRUE(l.svc.calls.empty());
  }
  {
    Loop l;  // a served request, then a bad header: the loop ends without a reply
    l.transport.Queue(Request(1));
    l.transport.Queue(Words({kMagic + 1, 6, 1, 7, 2, kSep, 0, kEnd}));
    EXPECT_EQ(l.Run(), ipc::kBadFrameResult);
    EXPECT_EQ(l.channel.lastMessageId, -1);
    EXPECT_EQ(l.Replies(), 1u);
  }
  {
    Loop l;  // a bad trailer names its message, which is not dispatched
    l.transport.Queue(Words({kMagic, 6, 1, 7, 2, kSep, 0, kEnd + 1}));
    EXPECT_EQ(l.Run(), ipc::kBadFrameResult);
    EXPECT_EQ(l.channel.lastMessageId, 6);
    EXPECT_TRUE(l.lookups.empty());
  }
  {
    // More than 20 parameters never reach the count check: the header already
    // refuses them as a bad frame, though it records the id.
    Loop l;
    l.transport.Queue(Words({kMagic, 9, 21, 27, 2, kSep, 0, kEnd}));
    EXPECT_EQ(l.Run(), ipc::kBadFrameResult);
    EXPECT_EQ(l.channel.lastMessageId, 9);
  }
  {
    Loop l;  // no service and no default handler
    l.transport.Queue(Request(1));
    l.transport.Queue(EncodeMessage(2, {MsgParam::Scalar(ipc::kInt32, 0)}));
    EXPECT_EQ(l.Run(false), ipc::kNoHandler);
    EXPECT_EQ(l.channel.lastMessageId, 2);
    EXPECT_EQ(l.lookups, (std::vector<int32_t>{6, 2}));
    EXPECT_EQ(l.Replies(), 1u);
  }
  {
    Loop l;  // the default handler ends the loop for an id nothing serves
    l.transport.Queue(EncodeMessage(2, {MsgParam::Scalar(ipc::kInt32, 0)}));
    EXPECT_EQ(l.Run(), ipc::kNoService);
    EXPECT_EQ(l.channel.lastMessageId, 2);
    EXPECT_EQ(l.transport.writes, 0);
  }
}

TEST(ReceiveLoop, ServiceResultsDecideWhetherItGoesOn) {
  {
    // Wrong counts and types are dropped and the next request is served.
    Loop l;
    l.transport.Queue(EncodeMessage(6, {MsgParam::Scalar(ipc::kInt32, 1)}));
    l.transport.Queue(EncodeMessage(
        6, {MsgParam::Scalar(ipc::kInt32, 1), MsgParam::Scalar(ipc::kInt32, 0),
            MsgParam::Text16(u""), MsgParam::Text16(u""), MsgParam::Scalar(ipc::kInt32, 0)}));
    l.transport.Queue(Request(4));
    EXPECT_EQ(l.Run(), ipc::kTransportEnded);
    EXPECT_EQ(l.svc.countErrors, std::vector<int32_t>{1});
    EXPECT_EQ(l.svc.paramErrors, std::vector<int32_t>{25});
    ASSERT_EQ(l.svc.calls.size(), 1u);
    EXPECT_EQ(l.svc.calls[0].operation, 4u);
    EXPECT_EQ(l.Replies(), 1u);
  }
  {
    // A reply that cannot be written ends the loop before anything else is read.
    Loop l;
    std::vector<int32_t> idAtCall;
    l.svc.onRequest = [&] { idAtCall.push_back(l.channel.lastMessageId); };
    l.transport.failWrites = true;
    l.transport.Queue(Request(1));
    l.transport.Queue(Request(2));
    EXPECT_EQ(l.Run(), ipc::kSendWriteFailed);
    EXPECT_EQ(idAtCall, std::vector<int32_t>{6});
    EXPECT_EQ(l.transport.incoming.size(), 1u);
  }
}

}  // namespace
