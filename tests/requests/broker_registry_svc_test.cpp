#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "ipc/broker_channel.h"
#include "ipc/decoder.h"
#include "ipc/handler.h"
#include "ipc/msg_param.h"
#include "protocol/operations.h"
#include "protocol/wire.h"
#include "registry/registry_values.h"
#include "requests/corvane_broker_registry_svc.h"
#include "tests/broker/broker_test_support.h"
#include "tests/registry/scratch_key.h"
#include "tests/requests/failing_allocation.h"
#include "tests/support/debug_capture.h"
#include "tests/support/frames.h"
#include "tests/support/protocol_codes.h"
#include "win/scoped_handle.h"

namespace corvane {
namespace {

using namespace std::string_literals;
using test::kDenied;
using test::kFailed;
using test::kMachine;
using test::kNotFound;
using test::kOk;
using test::kUser;
using test::ScratchKey;

const std::string kThrewLine = "[CorvaneBroker] request threw; reported as failed\n";

struct Reply {
  int32_t status = -1;
  std::u16string text;
};

// With `outOfMemory` the request's first allocation fails.
Reply Handle(CorvaneBrokerRegistrySvc& svc, uint32_t operation, int32_t hive, std::u16string path,
             std::u16string name = u"", bool outOfMemory = false) {
  Reply reply;
  reply.text = u"stale";
  std::u16string data;
  test::FailNextAllocation(outOfMemory);
  svc.HandleRequest(operation, hive, path, name, data, reply.status, reply.text);
  test::FailNextAllocation(false);
  return reply;
}

TEST(HandleRequest, PassesOnTheStatusAndText) {
  CorvaneBrokerRegistrySvc svc;
  ScratchKey key;
  test::RawSetDword(key.root(), key.path(), u"d", 0xFFFFFFFFu);

  Reply r = Handle(svc, 11, 5, u"");
  EXPECT_EQ(r.status, kOk);
  EXPECT_EQ(r.text, u"pong");
  r = Handle(svc, 3, kUser, key.path(), u"d");
  EXPECT_EQ(r.status, kOk);
  EXPECT_EQ(r.text, u"4294967295");
  r = Handle(svc, 3, kUser, key.path(), u"missing");
  EXPECT_EQ(r.status, kNotFound);
  EXPECT_EQ(r.text, u"");
}

TEST(HandleRequest, ARequestThatRunsOutOfMemoryFailsAndTheNextIsServed) {
  CorvaneBrokerRegistrySvc svc;
  ScratchKey key;
  test::RawSetString(key.root(), key.path(), u"s", u"value");
  test::DebugCapture capture;

  Reply r = Handle(svc, 1, kUser, key.path(), u"s", true);
  EXPECT_EQ(r.status, kFailed);
  EXPECT_EQ(r.text, u"");
  EXPECT_EQ(capture.Lines(), std::vector<std::string>{kThrewLine});

  r = Handle(svc, 1, kUser, key.path(), u"s");
  EXPECT_EQ(r.status, kOk);
  EXPECT_EQ(r.text, u"value");
  EXPECT_EQ(capture.Lines(), std::vector<std::string>{kThrewLine});
}

// The broker side of one pipe: a channel thread that serves request 6 with
// the request service until the client end closes.
class ServedPipe {
 public:
  explicit ServedPipe(const std::wstring& name) : channel_(&transport_) {
    const HANDLE server = CreateNamedPipeW(
        name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 4096, 4096,
        2000, nullptr);
    if (server == INVALID_HANDLE_VALUE) return;
    client_.Reset(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              0, nullptr));
    if (!transport_.AttachAndConnect(server, true) || !client_) {
      return;
    }
    serving_ = std::thread([this] {
      try {
        loopResult_ = channel_.ReceiveLoop(
            &unserved_, [this](int32_t id) -> Handler* { return id == 6 ? &svc_ : nullptr; });
      } catch (...) {
        loopResult_ = 1;
      }
    });
  }
  ~ServedPipe() { Stop(); }

  bool ready() const { return serving_.joinable(); }
  HANDLE client() const { return client_.get(); }

  // Closing the client end ends the receive loop; returns its result.
  int64_t Stop() {
    client_.Reset();
    if (serving_.joinable()) serving_.join();
    return loopResult_;
  }

 private:
  using Handler = ipc::BrokerChannel::Handler;

  UniqueHandle client_;
  PipeTransportWithMessagePump transport_;
  ipc::BrokerChannel channel_;
  CorvaneBrokerRegistrySvc svc_;
  ipc::BadMessageRecv<ipc::BrokerChannel> unserved_;
  std::thread serving_;
  int64_t loopResult_ = 0;
};

bool WriteAll(HANDLE pipe, const std::vector<uint8_t>& bytes) {
  DWORD written = 0;
  return WriteFile(pipe, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

// Reads one whole frame from the client end and decodes it.
bool ReadFrame(HANDLE pipe, ipc::MsgParamList& list) {
  ipc::Decoder decoder(&list);
  for (;;) {
    uint8_t chunk[4096];
    DWORD got = 0;
    if (!ReadFile(pipe, chunk, sizeof(chunk), &got, nullptr) || got == 0) return false;
    decoder.Append(chunk, got);
    if (decoder.buffered().size() % 8 != 0) continue;
    const ipc::DecodeResult result = decoder.Decode();
    if (result == ipc::kComplete) return true;
    if (result != ipc::kNeedMore) return false;
  }
}

std::vector<uint8_t> Request(uint32_t operation, int32_t hive, const std::u16string& path,
                             const std::u16string& name, const std::u16string& data) {
  return test::Frame(
      6, {ipc::MsgParam::Scalar(ipc::kInt32, operation),
          ipc::MsgParam::Scalar(ipc::kInt32, static_cast<uint32_t>(hive)),
          ipc::MsgParam::Text16(path), ipc::MsgParam::Text16(name), ipc::MsgParam::Text16(data)});
}

void ExpectReply(HANDLE pipe, int32_t status, const std::u16string& text) {
  ipc::MsgParamList reply;
  ASSERT_TRUE(ReadFrame(pipe, reply));
  EXPECT_EQ(reply.msgId, 7);
  ASSERT_EQ(reply.count, 2u);
  EXPECT_EQ(reply.params[0].type, ipc::kInt32);
  EXPECT_EQ(reply.params[0].Low32(), static_cast<uint32_t>(status));
  EXPECT_EQ(reply.params[1].type, ipc::kText16);
  EXPECT_EQ(reply.params[1].text16, text);
}

TEST(BrokerRegistrySvcOverPipe, RepliesWithMessageSevenCarryingStatusAndText) {
  ScratchKey key;
  test::RawCreateKey(key.root(), key.Sub(u"A"));
  test::RawCreateKey(key.root(), key.Sub(u"B"));
  const auto order = test::RawSubkeys(key.root(), key.path());
  ASSERT_EQ(order.size(), 2u);

  const std::wstring name =
      L"\\\\.\\pipe\\corvane-svc-test-" + std::to_wstring(GetCurrentProcessId());
  ServedPipe pipe(name);
  ASSERT_TRUE(pipe.ready());

  ASSERT_TRUE(WriteAll(pipe.client(), Request(11, 0, u"", u"", u"")));
  ExpectReply(pipe.client(), kOk, u"pong");

  // A text with U+0000 inside travels whole.
  ASSERT_TRUE(WriteAll(pipe.client(), Request(9, kUser, key.path(), u"", u"")));
  ExpectReply(pipe.client(), kOk, order[0] + u'\0' + order[1] + u'\0');

  ASSERT_TRUE(WriteAll(pipe.client(), Request(2, kMachine, u"Software\\Corvane\\x", u"v", u"d")));
  ExpectReply(pipe.client(), kDenied, u"");

  EXPECT_EQ(pipe.Stop(), ipc::kTransportEnded);
}

// A key whose values are each within the size limit but whose listing is too
// large for a frame: the listing fails, in every session, and each session
// goes on.
TEST(BrokerRegistrySvcThroughTheBroker, AReplyTooLargeForAFrameFailsAndTheSessionGoesOn) {
  ScratchKey key;
  // With its terminator, each value is the most one value may hold.
  const std::u16string value(kMaxValueDataBytes / 2 - 1, u'v');
  const size_t entryBytes = (3 + 1 + value.size() + 1) * 2;  // "vNN", U+0000, text, U+0000
  const size_t frameBytes = wire::kMaxFrameBytes;
  const size_t values = frameBytes / entryBytes + 1;
  ASSERT_LT(values, 100u);
  for (size_t i = 0; i < values; ++i) {
    const std::string name = std::to_string(100 + i).substr(1);
    test::RawSetString(key.root(), key.path(), u"v" + test::U16(name), value);
  }

  const uint32_t listValues = OperationCode(BrokerOperation::ListValues);
  for (int session = 0; session < 2; ++session) {
    SCOPED_TRACE(session);
    client::BrokerSession s = test::Launch();
    auto listed = s.connection.Request(listValues, 0, key.path(), u"", u"");
    ASSERT_TRUE(listed) << listed.error().message;
    EXPECT_EQ(listed->status, StatusCode(BrokerStatus::Failed));
    EXPECT_EQ(listed->text, u"");
    ASSERT_TRUE(s.connection.SendBytes(test::PingFrame()));
    EXPECT_TRUE(test::NextIsPong(s.connection));
    s.connection.Close();
    EXPECT_EQ(test::ExitCodeOf(s.process), 0u);
  }
}

}  // namespace
}  // namespace corvane
