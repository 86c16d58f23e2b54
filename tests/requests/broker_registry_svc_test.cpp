#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ipc/broker_channel.h"
#include "ipc/handler.h"
#include "protocol/operations.h"
#include "protocol/wire.h"
#include "registry/registry_values.h"
#include "requests/corvane_broker_registry_svc.h"
#include "tests/registry/scratch_key.h"
#include "tests/requests/failing_allocation.h"
#include "tests/support/broker_suite.h"
#include "tests/support/debug_capture.h"
#include "win/scoped_handle.h"

namespace corvane {
namespace {

using namespace std::string_literals;
using enum BrokerOperation;
using enum BrokerStatus;
using test::Reply;
using test::ScratchKey;

const std::string kThrewLine = "[CorvaneBroker] request threw; reported as failed\n";

// With `outOfMemory` the request's first allocation fails.
Reply Handle(CorvaneBrokerRegistrySvc& svc, BrokerOperation operation, int32_t hive,
             std::u16string path, std::u16string name = u"", bool outOfMemory = false) {
  uint32_t code = OperationCode(operation);
  int32_t status = -1;
  std::u16string text = u"stale", data;
  test::FailNextAllocation(outOfMemory);
  svc.HandleRequest(code, hive, path, name, data, status, text);
  test::FailNextAllocation(false);
  return {static_cast<BrokerStatus>(status), text};
}

TEST(HandleRequest, PassesOnTheStatusAndText) {
  CorvaneBrokerRegistrySvc svc;
  ScratchKey key;
  test::RawSetDword(key.root(), key.path(), u"d", 0xFFFFFFFFu);
  EXPECT_EQ(Handle(svc, Ping, 5, u""), (Reply{Ok, u"pong"}));
  EXPECT_EQ(Handle(svc, ReadDword, HiveCode(test::kUser), key.path(), u"d"),
            (Reply{Ok, u"4294967295"}));
  EXPECT_EQ(Handle(svc, ReadDword, HiveCode(test::kUser), key.path(), u"missing"),
            (Reply{NotFound, u""}));
}

TEST(HandleRequest, ARequestThatRunsOutOfMemoryFailsAndTheNextIsServed) {
  CorvaneBrokerRegistrySvc svc;
  ScratchKey key;
  test::RawSetString(key.root(), key.path(), u"s", u"value");
  test::DebugCapture capture;

  EXPECT_EQ(Handle(svc, ReadString, HiveCode(test::kUser), key.path(), u"s", true),
            (Reply{Failed, u""}));
  EXPECT_EQ(capture.Lines(), std::vector<std::string>{kThrewLine});
  EXPECT_EQ(Handle(svc, ReadString, HiveCode(test::kUser), key.path(), u"s"),
            (Reply{Ok, u"value"}));
  EXPECT_EQ(capture.Lines(), std::vector<std::string>{kThrewLine});
}

// The broker side of one pipe: a channel thread that serves request 6 with
// the request service until the client end closes.
class ServedPipe {
 public:
  explicit ServedPipe(const std::u16string& name) : channel_(&transport_) {
    const HANDLE server = CreateNamedPipeW(
        test::W(name), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 4096, 4096,
        2000, nullptr);
    if (server == INVALID_HANDLE_VALUE) return;
    auto connected = client::BrokerConnection::Connect(name);
    if (!transport_.AttachAndConnect(server, true) || !connected) return;
    client_.emplace(std::move(connected).value());
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
  client::BrokerConnection& client() { return *client_; }

  // Closing the client end ends the receive loop; returns its result.
  int64_t Stop() {
    client_.reset();
    if (serving_.joinable()) serving_.join();
    return loopResult_;
  }

 private:
  using Handler = ipc::BrokerChannel::Handler;

  std::optional<client::BrokerConnection> client_;
  PipeTransportWithMessagePump transport_;
  ipc::BrokerChannel channel_;
  CorvaneBrokerRegistrySvc svc_;
  ipc::BadMessageRecv<ipc::BrokerChannel> unserved_;
  std::thread serving_;
  int64_t loopResult_ = 0;
};

TEST(BrokerRegistrySvcOverPipe, RepliesWithMessageSevenCarryingStatusAndText) {
  ScratchKey key;
  test::RawCreateKey(key.root(), key.Sub(u"A"));
  test::RawCreateKey(key.root(), key.Sub(u"B"));
  const auto order = test::RawSubkeys(key.root(), key.path());
  ASSERT_EQ(order.size(), 2u);

  ServedPipe pipe(u"\\\\.\\pipe\\corvane-svc-test-" + test::Decimal(GetCurrentProcessId()));
  ASSERT_TRUE(pipe.ready());

  EXPECT_EQ(test::Send(pipe.client(), Ping, u""), (Reply{Ok, u"pong"}));
  // A text with U+0000 inside travels whole.
  EXPECT_EQ(test::Send(pipe.client(), ListSubkeys, key.path()),
            (Reply{Ok, order[0] + u'\0' + order[1] + u'\0'}));
  EXPECT_EQ(test::Send(pipe.client(), WriteString, u"Software\\Corvane\\x", u"v", u"d",
                       RegistryHive::LocalMachine),
            (Reply{Denied, u""}));

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

  for (int session = 0; session < 2; ++session) {
    SCOPED_TRACE(session);
    client::BrokerSession s = test::LaunchBroker();
    EXPECT_EQ(test::Send(s.connection, ListValues, key.path()), (Reply{Failed, u""}));
    ASSERT_TRUE(s.connection.SendBytes(test::PingFrame()));
    EXPECT_TRUE(test::NextIsPong(s.connection));
    s.connection.Close();
    EXPECT_EQ(test::ExitCodeOf(s.process), 0u);
  }
}

}  // namespace
}  // namespace corvane
