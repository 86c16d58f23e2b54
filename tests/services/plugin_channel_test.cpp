// Message 3 through the real broker: the pipe it makes, where the server
// end lands, and what the broker does with its own end.
#include <gtest/gtest.h>
#include <windows.h>

#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "policy/grants.h"
#include "services/plugin_channel_connect.h"
#include "tests/support/broker_suite.h"
#include "tests/support/frames.h"
#include "win/scoped_handle.h"

namespace corvane::test {
namespace {

using ipc::MsgParam;

struct PipeName {
  uint32_t brokerId = 0;
  uint32_t tick = 0;
  uint32_t counter = 0;
};

// The pipe's name as the system reports it: "\ko.<pid>.<tick>.<counter>".
std::optional<PipeName> NameOf(HANDLE pipe) {
  alignas(FILE_NAME_INFO) char buffer[512];
  if (!GetFileInformationByHandleEx(pipe, FileNameInfo, buffer, sizeof buffer)) return {};
  const auto* info = reinterpret_cast<const FILE_NAME_INFO*>(buffer);
  const std::wstring name(info->FileName, info->FileNameLength / sizeof(wchar_t));
  PipeName parsed;
  wchar_t rest = 0;
  if (swscanf(name.c_str(), L"\\ko.%x.%x.%x%lc", &parsed.brokerId, &parsed.tick, &parsed.counter,
              &rest) != 3) {
    return {};
  }
  return parsed;
}

bool IsServerEnd(HANDLE pipe) {
  DWORD flags = 0;
  DWORD state = 0;
  return GetNamedPipeInfo(pipe, &flags, nullptr, nullptr, nullptr) &&
         (flags & PIPE_SERVER_END) != 0 &&
         GetNamedPipeHandleStateW(pipe, &state, nullptr, nullptr, nullptr, nullptr, 0);
}

// Waits, if need be, for the broker's end; true once a client is there.
bool ClientConnected(HANDLE serverEnd) {
  return ConnectNamedPipe(serverEnd, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED;
}

// Bytes written into the channel stay in its buffer: the broker never reads.
bool Writable(HANDLE serverEnd) {
  const char bytes[8] = "unread!";
  DWORD written = 0;
  return WriteFile(serverEnd, bytes, sizeof bytes, &written, nullptr) && written == sizeof bytes;
}

// The request between two granted ones took its number but made no pipe of
// that number at any tick in between.
void ExpectNoPipeBetween(const PipeName& before, const PipeName& after) {
  ASSERT_EQ(after.counter, before.counter + 2);
  for (uint32_t tick = before.tick; tick != after.tick + 1; ++tick) {
    wchar_t name[64];
    swprintf(name, 64, L"\\\\.\\pipe\\ko.%x.%x.%x", before.brokerId, tick, before.counter + 1);
    EXPECT_FALSE(WaitNamedPipeW(name, 1));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << tick;
  }
}

UniqueHandle RequestChannel(BrokerConnection& c, uint32_t processId) {
  auto reply = c.GetPluginChannel(processId);
  if (!reply) {
    ADD_FAILURE() << reply.error().message;
    return UniqueHandle();
  }
  EXPECT_EQ(reply->status, 0u);
  EXPECT_NE(reply->handle, client::kNoHandle);
  return UniqueHandle(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(reply->handle)));
}

TEST(PluginChannel, HandsThisProcessAServerEndThatTheBrokerHasConnected) {
  BrokerSession s = LaunchBroker();
  UniqueHandle channel = RequestChannel(s.connection, GetCurrentProcessId());
  ASSERT_TRUE(channel);
  EXPECT_TRUE(IsServerEnd(channel.get()));
  const auto name = NameOf(channel.get());
  ASSERT_TRUE(name);
  EXPECT_EQ(name->brokerId, s.process.id());
  EXPECT_EQ(name->counter, 1u);
  EXPECT_TRUE(ClientConnected(channel.get()));
  EXPECT_TRUE(Writable(channel.get()));

  ASSERT_TRUE(s.connection.SendBytes(PingFrame()));
  EXPECT_TRUE(NextIsPong(s.connection));
  s.connection.Close();
  EXPECT_EQ(ExitCodeOf(s.process), 0u);
}

TEST(PluginChannel, SecondRequestMakesANewPipeAndLeavesTheFirstConnected) {
  BrokerSession s = LaunchBroker();
  UniqueHandle first = RequestChannel(s.connection, GetCurrentProcessId());
  UniqueHandle second = RequestChannel(s.connection, GetCurrentProcessId());
  ASSERT_TRUE(first && second);
  const auto firstName = NameOf(first.get());
  const auto secondName = NameOf(second.get());
  ASSERT_TRUE(firstName && secondName);
  EXPECT_EQ(secondName->counter, firstName->counter + 1);

  EXPECT_TRUE(ClientConnected(second.get()));
  EXPECT_TRUE(ClientConnected(first.get()));
  EXPECT_TRUE(Writable(first.get()));
  EXPECT_TRUE(Writable(second.get()));
}

TEST(PluginChannel, ServerEndLandsInTheNamedProcess) {
  Sleeper sleeper;
  BrokerSession s = LaunchBroker();
  auto reply = s.connection.GetPluginChannel(sleeper.id());
  ASSERT_TRUE(reply) << reply.error().message;
  ASSERT_TRUE(reply->ok());

  UniqueHandle channel;
  ASSERT_TRUE(DuplicateHandle(sleeper.handle(), reinterpret_cast<HANDLE>(reply->handle),
                              GetCurrentProcess(), channel.Receive(), 0, FALSE,
                              DUPLICATE_SAME_ACCESS));
  EXPECT_TRUE(IsServerEnd(channel.get()));
  EXPECT_TRUE(ClientConnected(channel.get()));
}

// Requests channels until one is refused; true if exactly `free` were
// granted, each connected by the broker. The granted ones are kept.
bool GrantsExactly(BrokerConnection& c, size_t free, std::vector<UniqueHandle>& kept) {
  for (size_t i = 0; i < free; ++i) {
    kept.push_back(RequestChannel(c, GetCurrentProcessId()));
    if (!kept.back() || !ClientConnected(kept.back().get())) return false;
  }
  auto refused = c.GetPluginChannel(GetCurrentProcessId());
  if (!refused) return false;
  EXPECT_EQ(refused->status, static_cast<uint32_t>(ERROR_TOO_MANY_OPEN_FILES));
  EXPECT_EQ(refused->handle, client::kNoHandle);
  return refused->status == ERROR_TOO_MANY_OPEN_FILES;
}

// A process the broker cannot open, and the broker itself, in which both ends
// would stay: no pipe, no error code, and no place taken, however often asked.
TEST(PluginChannel, ProcessesThatCannotReceiveAChannelGetNoPipe) {
  struct Case {
    const char* what;
    uint32_t (*processId)(const BrokerSession&);
  };
  const Case cases[] = {
      {"no such process", [](const BrokerSession&) { return 0x7FFFFFF0u; }},
      {"the broker itself", [](const BrokerSession& s) { return s.process.id(); }},
      {"the broker by another number", [](const BrokerSession& s) { return s.process.id() | 3u; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    BrokerSession s = LaunchBroker();
    const auto refused = [&s, &c] {
      auto reply = s.connection.GetPluginChannel(c.processId(s));
      ASSERT_TRUE(reply) << reply.error().message;
      EXPECT_EQ(reply->status, 0u);
      EXPECT_EQ(reply->handle, client::kNoHandle);
    };
    std::vector<UniqueHandle> kept;
    kept.push_back(RequestChannel(s.connection, GetCurrentProcessId()));
    refused();
    kept.push_back(RequestChannel(s.connection, GetCurrentProcessId()));
    const auto b = NameOf(kept.front().get());
    const auto a = NameOf(kept.back().get());
    ASSERT_TRUE(b && a);
    ExpectNoPipeBetween(*b, *a);
    for (size_t i = 0; i < kMaxPluginChannels; ++i) refused();
    EXPECT_TRUE(GrantsExactly(s.connection, kMaxPluginChannels - kept.size(), kept));
  }
}

TEST(PluginChannel, SixteenChannelsAtOnceAndAClosedOneMakesRoom) {
  BrokerSession s = LaunchBroker();
  const uint32_t pid = GetCurrentProcessId();
  std::vector<UniqueHandle> channels;
  for (int i = 0; i < 16; ++i) channels.push_back(RequestChannel(s.connection, pid));
  auto refused = s.connection.GetPluginChannel(pid);
  ASSERT_TRUE(refused) << refused.error().message;
  EXPECT_EQ(refused->status, static_cast<uint32_t>(ERROR_TOO_MANY_OPEN_FILES));
  EXPECT_EQ(refused->handle, client::kNoHandle);
  for (UniqueHandle& channel : channels) {
    ASSERT_TRUE(channel);
    EXPECT_TRUE(ClientConnected(channel.get()));
    EXPECT_TRUE(Writable(channel.get()));
  }

  // Once the plug-in closes a channel, bytes it wrote still unread, the
  // broker lets go of its end and has room again.
  const auto last = NameOf(channels.back().get());
  channels.front().Reset();
  UniqueHandle next = RequestChannel(s.connection, pid);
  ASSERT_TRUE(next);
  EXPECT_TRUE(ClientConnected(next.get()));
  const auto nextName = NameOf(next.get());
  ASSERT_TRUE(last && nextName);
  ExpectNoPipeBetween(*last, *nextName);
}

TEST(PluginChannel, RequestOfTheWrongShapeGetsNoReplyAndTheLoopGoesOn) {
  BrokerSession s = LaunchBroker();
  const uint32_t pid = GetCurrentProcessId();
  ASSERT_TRUE(s.connection.SendBytes(EncodeMessage(
      ipc::kMsgGetPluginChannel, {MsgParam::Scalar(4, pid), MsgParam::Scalar(4, pid)})));
  ASSERT_TRUE(
      s.connection.SendBytes(EncodeMessage(ipc::kMsgGetPluginChannel, {MsgParam::Scalar(2, pid)})));
  ASSERT_TRUE(
      s.connection.SendBytes(EncodeMessage(ipc::kMsgGetPluginChannel, {MsgParam::Text16(u"1")})));
  ASSERT_TRUE(s.connection.SendBytes(PingFrame()));
  EXPECT_TRUE(NextIsPong(s.connection));

  // None of them got as far as taking a pipe number.
  UniqueHandle channel = RequestChannel(s.connection, pid);
  ASSERT_TRUE(channel);
  const auto name = NameOf(channel.get());
  ASSERT_TRUE(name);
  EXPECT_EQ(name->counter, 1u);
}

TEST(PluginChannel, PluginClosingItsEndAtOnceDoesNotStopTheBroker) {
  BrokerSession s = LaunchBroker();
  // Closed as soon as it arrives, a channel is now and then gone before the
  // broker has connected to it (about one cycle in 25 under Wine); the broker
  // then stops waiting at once. A wait for the connect budget would run past
  // this time-out in such a cycle.
  s.connection.SetReplyTimeout(kPluginChannelConnectBudgetMs / 2);
  for (size_t i = 0; i < kMaxPluginChannels * kMaxPluginChannels; ++i) {
    RequestChannel(s.connection, GetCurrentProcessId()).Reset();
    ASSERT_TRUE(s.connection.SendBytes(PingFrame()));
    ASSERT_TRUE(NextIsPong(s.connection)) << i;
  }
  s.connection.SetReplyTimeout(client::kDefaultReplyTimeoutMs);

  std::vector<UniqueHandle> kept;
  EXPECT_TRUE(GrantsExactly(s.connection, kMaxPluginChannels, kept));
  s.connection.Close();
  EXPECT_EQ(ExitCodeOf(s.process), 0u);
}

// A disconnected plug-in end, closed or kept, frees the channel's place as a
// closed one does: the broker grants as many new ones as it holds at most.
TEST(PluginChannel, DisconnectedChannelsGiveTheirPlacesBack) {
  const struct {
    const char* what;
    bool keep;
  } cases[] = {{"disconnected, then closed", false}, {"disconnected and kept", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    BrokerSession s = LaunchBroker();
    std::vector<UniqueHandle> disconnected;
    for (size_t i = 0; i < kMaxPluginChannels; ++i) {
      UniqueHandle channel = RequestChannel(s.connection, GetCurrentProcessId());
      ASSERT_TRUE(channel);
      ASSERT_TRUE(ClientConnected(channel.get()));
      EXPECT_TRUE(DisconnectNamedPipe(channel.get()));
      if (c.keep) disconnected.push_back(std::move(channel));
    }
    std::vector<UniqueHandle> kept;
    EXPECT_TRUE(GrantsExactly(s.connection, kMaxPluginChannels, kept));
  }
}

}  // namespace
}  // namespace corvane::test
