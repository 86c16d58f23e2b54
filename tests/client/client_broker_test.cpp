// The client library against the real broker: connecting, its error
// results, and one typed call per operation.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include "plugin/client/typed_calls.h"
#include "tests/support/broker_suite.h"

namespace corvane::test {
namespace {

using client::ErrorKind;
using client::Hive;

TEST(ClientConnect, TimesOutWhenNoBrokerServesTheName) {
  auto connection = BrokerConnection::Connect(client::MakeUniqueIpcName(), nullptr, 100);
  ASSERT_FALSE(connection);
  EXPECT_EQ(connection.error().kind, ErrorKind::TimedOut);
}

TEST(ClientConnect, StopsWhenTheBrokerHasExited) {
  BrokerProcess broker = StartBrokerWithArguments(u" --ipc=x --proc=abc");
  // Far longer than the broker takes to fail: the error must name its exit.
  auto connection = BrokerConnection::Connect(u"x", broker.handle(), 600000);
  ASSERT_FALSE(connection);
  EXPECT_EQ(connection.error().kind, ErrorKind::BrokerGone);
  EXPECT_NE(connection.error().message.find("code 1"), std::string::npos);
}

TEST(ClientConnect, LaunchReportsABrokerThatCannotBeStarted) {
  auto session = BrokerSession::Launch(u"C:\\no\\such\\corvane-broker.exe");
  ASSERT_FALSE(session);
  EXPECT_EQ(session.error().kind, ErrorKind::StartFailed);
}

TEST(ClientErrors, SilenceTimesOutAndTheConnectionStaysUsable) {
  BrokerSession s = LaunchBroker();
  s.connection.SetReplyTimeout(200);
  ASSERT_TRUE(s.connection.KeepAlive());
  auto nothing = s.connection.ReadMessage();
  ASSERT_FALSE(nothing);
  EXPECT_EQ(nothing.error().kind, ErrorKind::TimedOut);

  s.connection.SetReplyTimeout(client::kDefaultReplyTimeoutMs);
  auto pong = client::Ping(s.connection);
  ASSERT_TRUE(pong) << pong.error().message;
  EXPECT_EQ(pong->value, u"pong");
}

TEST(ClientErrors, AnswerToAnotherRequestIsMalformed) {
  BrokerSession s = LaunchBroker();
  // Reply 4 is still on its way when the ping reads its answer.
  ASSERT_TRUE(s.connection.SendBytes(client::EncodeGetPluginChannel(0x7FFFFFF0u)));
  auto pong = client::Ping(s.connection);
  ASSERT_FALSE(pong);
  EXPECT_EQ(pong.error().kind, ErrorKind::Malformed);
  // The ping's own reply follows.
  auto reply = s.connection.ReadMessage();
  ASSERT_TRUE(reply) << reply.error().message;
  EXPECT_EQ(reply->id, 7);
}

TEST(ClientErrors, RequestTooLargeForAFrameIsNotSent) {
  BrokerSession s = LaunchBroker();
  auto big = s.connection.Request(OperationCode(BrokerOperation::FileWrite), 0, u"p", u"",
                                  std::u16string(0x2000000, u'0'));
  ASSERT_FALSE(big);
  EXPECT_EQ(big.error().kind, ErrorKind::InvalidArgument);
  auto pong = client::Ping(s.connection);
  ASSERT_TRUE(pong) << pong.error().message;
}

TEST(ClientErrors, BrokerThatHasGoneIsReportedAsSuch) {
  BrokerSession s = LaunchBroker();
  ASSERT_TRUE(s.connection.SendBytes(client::EncodeMessage(2, {ipc::MsgParam::Scalar(2, 0)})));
  EXPECT_EQ(ExitCodeOf(s.process), 0u);
  auto pong = client::Ping(s.connection);
  ASSERT_FALSE(pong);
  EXPECT_EQ(pong.error().kind, ErrorKind::BrokerGone) << pong.error().message;

  s.connection.Close();
  auto closed = client::Ping(s.connection);
  ASSERT_FALSE(closed);
  EXPECT_EQ(closed.error().kind, ErrorKind::BrokerGone);
}

// Unwraps a client result, failing the test on an error.
template <class T>
T Get(client::Result<T> result) {
  if (!result) {
    ADD_FAILURE() << result.error().message;
    return T{};
  }
  return std::move(result).value();
}

class ClientOperations : public ::testing::Test {
 protected:
  void SetUp() override {
    key = u"Software\\Corvane\\ClientTest" + Decimal(GetCurrentProcessId());
    Get(client::DeleteKeyTree(s.connection, Hive::CurrentUser, key));
  }
  void TearDown() override { Get(client::DeleteKeyTree(s.connection, Hive::CurrentUser, key)); }

  BrokerSession s = LaunchBroker();
  std::u16string key;
};

TEST_F(ClientOperations, RegistryAnswersComeBackTyped) {
  BrokerConnection& c = s.connection;
  EXPECT_EQ(Get(client::KeyExists(c, Hive::CurrentUser, key)), 1);
  EXPECT_EQ(Get(client::WriteString(c, Hive::CurrentUser, key + u"\\A", u"s", u"text")), 0);
  EXPECT_EQ(Get(client::ReadString(c, Hive::CurrentUser, key + u"\\A", u"s")).value, u"text");
  EXPECT_EQ(Get(client::WriteDword(c, Hive::CurrentUser, key + u"\\B", u"d", 0xFFFFFFFFu)), 0);
  EXPECT_EQ(Get(client::ReadDword(c, Hive::CurrentUser, key + u"\\B", u"d")).value, 0xFFFFFFFFu);
  EXPECT_EQ(Get(client::WriteQword(c, Hive::CurrentUser, key + u"\\B", u"q", ~0ull)), 0);
  EXPECT_EQ(Get(client::ReadQword(c, Hive::CurrentUser, key + u"\\B", u"q")).value, ~0ull);
  EXPECT_EQ(Get(client::ReadDword(c, Hive::CurrentUser, key + u"\\A", u"s")).status,
            StatusCode(BrokerStatus::NotFound));

  const auto subkeys = Get(client::ListSubkeys(c, Hive::CurrentUser, key));
  ASSERT_EQ(subkeys.status, StatusCode(BrokerStatus::Ok));
  EXPECT_EQ(subkeys.value, (std::vector<std::u16string>{u"A", u"B"}));
  const auto values = Get(client::ListValues(c, Hive::CurrentUser, key + u"\\A"));
  ASSERT_EQ(values.value.size(), 1u);
  EXPECT_EQ(values.value[0].name, u"s");
  EXPECT_EQ(values.value[0].text, u"text");

  EXPECT_EQ(Get(client::CopyKeyTree(c, Hive::CurrentUser, key + u"\\A", key + u"\\C")), 0);
  EXPECT_EQ(Get(client::ReadString(c, Hive::CurrentUser, key + u"\\C", u"s")).value, u"text");
  EXPECT_EQ(Get(client::WriteString(c, Hive::LocalMachine, u"Software\\Corvane", u"s", u"x")), 2);
}

TEST_F(ClientOperations, FilesRoundTripAsBytes) {
  BrokerConnection& c = s.connection;
  wchar_t appData[MAX_PATH] = {};
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, appData), S_OK);
  const std::wstring folder = std::wstring(appData) + L"\\Corvane";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring wide = folder + L"\\client-test-" + std::to_wstring(GetCurrentProcessId());
  const std::u16string path(wide.begin(), wide.end());

  const std::vector<uint8_t> contents = {0x00, 0x01, 0x7f, 0x80, 0xff};
  EXPECT_EQ(Get(client::FileWrite(c, path, contents)), 0);
  EXPECT_EQ(Get(client::FileExists(c, path)), 0);
  EXPECT_EQ(Get(client::FileRead(c, path)).value, contents);
  EXPECT_EQ(Get(client::FileDelete(c, path)), 0);
  EXPECT_EQ(Get(client::FileExists(c, path)), 1);
  EXPECT_EQ(Get(client::FileRead(c, u"C:\\windows\\win.ini")).status,
            StatusCode(BrokerStatus::Denied));
}

}  // namespace
}  // namespace corvane::test
