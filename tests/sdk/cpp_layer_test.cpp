// What corvane.hpp adds to the C interface, against the real broker through
// corvane_client.dll: the session's ownership, typed answers, exists as a
// boolean, a refusal as Status::Denied and bytes that travel unchanged. The
// C interface's own behaviour is tested in sdk_c_api_test.c.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "corvane/corvane.hpp"
#include "plugin/client/broker_process.h"

namespace {

using corvane::Hive;
using corvane::Status;

const std::wstring& Key() {
  static const std::wstring key =
      L"Software\\Corvane\\CppLayerTest" + std::to_wstring(GetCurrentProcessId());
  return key;
}

std::wstring AppDataFile() {
  wchar_t folder[MAX_PATH];
  if (SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, folder) != S_OK) return {};
  const std::wstring corvane = std::wstring(folder) + L"\\corvane";
  CreateDirectoryW(corvane.c_str(), nullptr);
  return corvane + L"\\cpp-layer-" + std::to_wstring(GetCurrentProcessId()) + L".bin";
}

TEST(CppLayer, ASessionOwnsItsBrokerAndMovesIt) {
  // A broker started here, so that its end can be seen.
  const std::u16string ipcName = corvane::client::MakeUniqueIpcName();
  auto broker = corvane::client::StartBroker(corvane::client::DefaultBrokerPath(), ipcName,
                                             GetCurrentProcessId());
  ASSERT_TRUE(broker) << broker.error().message;
  {
    auto attached = corvane::Session::Attach(
        std::wstring_view(reinterpret_cast<const wchar_t*>(ipcName.data()), ipcName.size()));
    ASSERT_TRUE(attached.ok()) << attached.message();
    corvane::Session first = std::move(attached).value();
    corvane::Session second = std::move(first);
    EXPECT_TRUE(second.Ping().ok());
    const auto moved = first.Ping();
    EXPECT_EQ(moved.status(), Status::Closed) << moved.message();
    EXPECT_FALSE(broker->WaitForExit(0));
  }
  // The destructor closed the pipe, which ends the broker.
  EXPECT_EQ(broker->WaitForExit(), 0u);
}

TEST(CppLayer, AnswersAreTypedAndRefusalsAreStatuses) {
  auto started = corvane::Session::Start();
  ASSERT_TRUE(started.ok()) << started.message();
  corvane::Session session = std::move(started).value();

  auto absent = session.KeyExists(Hive::CurrentUser, Key());
  ASSERT_TRUE(absent.ok()) << absent.message();
  EXPECT_FALSE(absent.value());
  ASSERT_TRUE(session.WriteString(Hive::CurrentUser, Key(), L"Greeting", L"hi").ok());
  ASSERT_TRUE(session.WriteDword(Hive::CurrentUser, Key(), L"Count", 0xFFFFFFFFu).ok());
  auto present = session.KeyExists(Hive::CurrentUser, Key());
  EXPECT_TRUE(present.ok() && present.value());
  EXPECT_EQ(session.ReadDword(Hive::CurrentUser, Key(), L"Count").value(), 0xFFFFFFFFu);

  auto values = session.ListValues(Hive::CurrentUser, Key());
  ASSERT_TRUE(values.ok()) << values.message();
  ASSERT_EQ(values->size(), 2u);
  for (const corvane::NamedValue& value : values.value()) {
    EXPECT_EQ(value.text, value.name == L"Greeting" ? L"hi" : L"");
  }

  // The broker's refusal: a failed result with its status, not an error.
  const auto denied = session.WriteString(Hive::LocalMachine, L"Software\\Corvane", L"n", L"x");
  EXPECT_EQ(denied.status(), Status::Denied);
  EXPECT_EQ(denied.message(), "Denied");
  const auto deniedExists = session.KeyExists(Hive::CurrentUser, L"Software\\Elsewhere");
  EXPECT_EQ(deniedExists.status(), Status::Denied);
  const auto missing = session.ReadString(Hive::CurrentUser, Key(), L"Nothing");
  EXPECT_EQ(missing.status(), Status::NotFound);
  EXPECT_TRUE(missing.value().empty());

  // Every byte value.
  const std::wstring file = AppDataFile();
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<uint8_t>(255 - i));
  ASSERT_TRUE(session.FileWrite(file, bytes).ok());
  auto read = session.FileRead(file);
  ASSERT_TRUE(read.ok()) << read.message();
  EXPECT_EQ(read.value(), bytes);
  EXPECT_TRUE(session.FileExists(file).value());
  EXPECT_TRUE(session.FileDelete(file).ok());
  auto gone = session.FileExists(file);
  EXPECT_TRUE(gone.ok() && !gone.value());

  EXPECT_TRUE(session.DeleteKeyTree(Hive::CurrentUser, Key()).ok());
}

}  // namespace
