#include "services/plugin_channel_connect.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace corvane {
namespace {

std::wstring UniqueName(const wchar_t* what) {
  return L"\\\\.\\pipe\\corvane-connect-test." + std::to_wstring(GetCurrentProcessId()) + L"." +
         what;
}

TEST(PluginChannelConnect, ConnectsToAListeningPipe) {
  const std::wstring name = UniqueName(L"listening");
  UniqueHandle server(CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_REJECT_REMOTE_CLIENTS,
                                       1, 4096, 4096, 2000, nullptr));
  ASSERT_TRUE(server);
  UniqueHandle client = ConnectPluginChannelClient(name.c_str(), kPluginChannelConnectBudgetMs);
  ASSERT_TRUE(client);
  // The server end never called ConnectNamedPipe and is connected all the same.
  EXPECT_FALSE(ConnectNamedPipe(server.get(), nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PIPE_CONNECTED));
}

// A missing pipe is one whose server end was closed: waiting out the budget
// each time, these calls would run far past the test's time limit.
TEST(PluginChannelConnect, GivesUpAtOnceOnAPipeThatIsGone) {
  const std::wstring name = UniqueName(L"gone");
  {
    UniqueHandle server(CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX,
                                         PIPE_REJECT_REMOTE_CLIENTS, 1, 4096, 4096, 2000, nullptr));
    ASSERT_TRUE(server);
  }
  for (int i = 0; i < 100; ++i) {
    EXPECT_FALSE(ConnectPluginChannelClient(name.c_str(), kPluginChannelConnectBudgetMs));
  }
}

}  // namespace
}  // namespace corvane
