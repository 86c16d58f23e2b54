// The typed entry of a request-6 service, its reply, and the fall-back
// handler, called directly over an in-memory transport.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ipc/channel.h"
#include "ipc/handler.h"
#include "tests/ipc/test_service.h"
#include "tests/support/frames.h"
#include "tests/support/memory_transport.h"

namespace {

using corvane::test::DecodeAll;
using corvane::test::MemoryTransport;
using ipc::MsgParam;
using MemChannel = ipc::Channel<MemoryTransport>;
using Svc = corvane::test::TestSvc<MemChannel>;

MsgParam Int(uint64_t v, int32_t tag = ipc::kInt32) {
  return MsgParam::Scalar(tag, v);
}
MsgParam Text(std::u16string s) {
  return MsgParam::Text16(std::move(s));
}
MsgParam Null16() {
  return MsgParam::Scalar(ipc::kNullText16, ipc::kNullMarkerValue);
}

std::vector<MsgParam> GoodRequest() {
  return {Int(1), Int(0), Text(u"software\\corvane"), Text(u"name"), Text(u"data")};
}

struct Dispatch {
  MemoryTransport transport;
  MemChannel channel{&transport};
  Svc svc;

  int64_t Send(int32_t id, std::vector<MsgParam> params) {
    std::vector<MsgParam*> ptrs;
    for (auto& p : params) ptrs.push_back(&p);
    return svc.OnMsgReceived(id, &channel, ptrs.data(), static_cast<int32_t>(ptrs.size()));
  }
};

TEST(MsgInEntry, ForeignIdIsRefusedWithoutLookingFurther) {
  for (int32_t id : {0, 1, 3, 5, 7, 1000}) {
    Dispatch d;
    EXPECT_EQ(d.Send(id, GoodRequest()), ipc::kNoHandler) << id;
    EXPECT_TRUE(d.svc.calls.empty());
    EXPECT_TRUE(d.svc.countErrors.empty());
    EXPECT_EQ(d.transport.writes, 0);
  }
}

TEST(MsgInEntry, WrongCountIsReportedAndNotAnswered) {
  for (size_t count : {0u, 1u, 4u, 6u, 20u}) {
    Dispatch d;
    auto params = GoodRequest();
    params.resize(count, Text(u"x"));
    EXPECT_EQ(d.Send(6, std::move(params)), 0) << count;
    EXPECT_EQ(d.svc.countErrors, std::vector<int32_t>{static_cast<int32_t>(count)});
    EXPECT_TRUE(d.svc.paramErrors.empty());
    EXPECT_TRUE(d.svc.calls.empty());
    EXPECT_EQ(d.transport.writes, 0);
  }
  // The callback's answer becomes the entry's result: true ends the channel.
  Dispatch d;
  d.svc.errorsAnswer = true;
  auto params = GoodRequest();
  params.pop_back();
  EXPECT_EQ(d.Send(6, std::move(params)), 1);
}

struct TypeCase {
  const char* what;
  std::vector<std::pair<size_t, MsgParam>> changes;
  int32_t code;
};

TEST(MsgInEntry, FirstMismatchFromTheLastParameterDecidesTheCode) {
  const std::vector<TypeCase> cases = {
      {"data NUL-terminated text", {{4, MsgParam::Text8("", 24)}}, 25},
      {"operation tag 4, data tag 23", {{0, Int(1, 4)}, {4, MsgParam::Text8("d")}}, 25},
      {"hive tag 25, path tag 2", {{1, Text(u"0")}, {2, Int(0)}}, 25},
      {"name null 8-bit text", {{3, MsgParam::Scalar(ipc::kNullText8, 0xFFFFFFFF)}}, 25},
      {"operation tag 4 only", {{0, Int(1, 4)}}, 2},
      {"operation tag 1 only", {{0, Int(1, 1)}}, 2},
      {"hive null 16-bit text", {{1, Null16()}}, 2},
      {"operation and hive texts", {{0, Text(u"1")}, {1, Text(u"0")}}, 2},
      {"operation 64-bit", {{0, Int(1, ipc::kInt64)}}, 2},
  };
  for (const auto& c : cases) {
    for (bool answer : {false, true}) {
      Dispatch d;
      d.svc.errorsAnswer = answer;
      auto params = GoodRequest();
      for (const auto& [index, param] : c.changes) params[index] = param;
      EXPECT_EQ(d.Send(6, std::move(params)), answer ? 1 : 0) << c.what;
      EXPECT_EQ(d.svc.paramErrors, std::vector<int32_t>{c.code}) << c.what;
      EXPECT_TRUE(d.svc.countErrors.empty()) << c.what;
      EXPECT_TRUE(d.svc.calls.empty()) << c.what;
      EXPECT_EQ(d.transport.writes, 0) << c.what;
    }
  }
}

TEST(MsgInEntry, NullTextsArriveEmptyAndScalarsAsTheirLow32Bits) {
  Dispatch d;
  EXPECT_EQ(d.Send(6, {Int(0xABCD000000000004ull), Int(0xFFFFFFFF), Null16(), Null16(), Null16()}),
            0);
  ASSERT_EQ(d.svc.calls.size(), 1u);
  const auto& call = d.svc.calls[0];
  EXPECT_EQ(call.operation, 4u);
  EXPECT_EQ(call.hive, -1);
  EXPECT_TRUE(call.path.empty() && call.name.empty() && call.data.empty());
  // Texts keep embedded NULs.
  Dispatch e;
  const std::u16string withNul(u"a\0b", 3);
  EXPECT_EQ(e.Send(6, {Int(1), Int(0), Text(withNul), Text(u""), Null16()}), 0);
  ASSERT_EQ(e.svc.calls.size(), 1u);
  EXPECT_EQ(e.svc.calls[0].path, withNul);
}

TEST(ServerTuple, AnswersWithExactlyOneReplyOfStatusAndText) {
  Dispatch d;
  EXPECT_EQ(d.Send(6, {Int(7), Int(2), Text(u"p"), Text(u"n"), Text(u"d")}), 0);
  EXPECT_EQ(d.transport.writes, 1);
  size_t rest = 1;
  const auto replies = DecodeAll(d.transport.written, &rest);
  EXPECT_EQ(rest, 0u);
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].id, 7);
  ASSERT_EQ(replies[0].params.size(), 2u);
  EXPECT_EQ(replies[0].params[0].type, ipc::kInt32);
  EXPECT_EQ(replies[0].params[0].Low32(), 9u);
  EXPECT_EQ(replies[0].params[1].type, ipc::kText16);
  EXPECT_EQ(replies[0].params[1].text16, u"pnd");
}

TEST(ServerTuple, ThrowingOperationStillReplies) {
  Dispatch d;
  d.svc.answer = Svc::Answer::Throw;
  EXPECT_EQ(d.Send(6, GoodRequest()), 0);
  auto replies = DecodeAll(d.transport.written);
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].id, 7);
  ASSERT_EQ(replies[0].params.size(), 2u);
  EXPECT_EQ(replies[0].params[0].Low32(), 3u);  // an unset status reads as failed
  EXPECT_TRUE(replies[0].params[1].text16.empty());

  // Whatever the operation set before it threw goes out as it stands, and
  // the entry serves the next request normally.
  Dispatch e;
  e.svc.answer = Svc::Answer::SetThenThrow;
  EXPECT_EQ(e.Send(6, GoodRequest()), 0);
  e.svc.answer = Svc::Answer::Echo;
  EXPECT_EQ(e.Send(6, GoodRequest()), 0);
  replies = DecodeAll(e.transport.written);
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(replies[0].params[0].Low32(), 5u);
  EXPECT_EQ(replies[0].params[1].text16, u"partial");
  EXPECT_EQ(replies[1].params[0].Low32(), 1u);
}

TEST(ServerTuple, ReplyThatCannotBeWrittenEndsTheChannel) {
  Dispatch d;
  d.transport.failWrites = true;
  EXPECT_EQ(d.Send(6, GoodRequest()), ipc::kSendWriteFailed);
  EXPECT_EQ(d.svc.calls.size(), 1u);
}

TEST(BadMessageRecv, RefusesEveryMessage) {
  MemoryTransport transport;
  MemChannel channel(&transport);
  ipc::BadMessageRecv<MemChannel> bad;
  MsgParam p = Int(0);
  MsgParam* params[1] = {&p};
  EXPECT_EQ(bad.OnMsgReceived(2, &channel, params, 1), ipc::kNoService);
  EXPECT_EQ(bad.OnMsgReceived(6, &channel, nullptr, 0), ipc::kNoService);
  EXPECT_FALSE(bad.OnMsgArgCountError(3));
  EXPECT_FALSE(bad.OnMsgParamError(25));
  EXPECT_EQ(transport.writes, 0);
}

}  // namespace
