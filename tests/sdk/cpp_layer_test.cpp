// What corvane.hpp adds to the C interface, against the real broker through
// corvane_client.dll: the session's ownership, typed answers, exists as a
// boolean, a refusal as Status::Denied, bytes that travel unchanged, results
// that never hand out a value they do not hold, the owning channel handle and
// the diagnostics callback's lifetime. The C interface's own behaviour is
// tested in sdk_c_api_test.c.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
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
    // What was moved out is no longer claimed.
    EXPECT_FALSE(attached.has_value());
    EXPECT_EQ(attached.status(), Status::Closed);
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
  // Request() reports a refusal as every other call does.
  const auto pong = session.Request(corvane::Operation::Ping, Hive::CurrentUser, L"");
  EXPECT_EQ(pong.value_or(L""), L"pong");
  const auto refused = session.Request(corvane::Operation::WriteString, Hive::LocalMachine,
                                       L"Software\\Corvane", L"n", L"x");
  EXPECT_FALSE(refused);
  EXPECT_EQ(refused.status(), Status::Denied);

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

// Every way of reaching the value of a failed result throws, carrying the
// failure; none hands out a default.
TEST(CppLayer, AFailedResultHandsOutNoValue) {
  using Text = corvane::Result<std::wstring>;
  const Text denied(corvane::Error{Status::Denied, "Denied"});
  const std::pair<const char*, std::function<void(Text&)>> accesses[] = {
      {"value()", [](Text& r) { (void)r.value(); }},
      {"const value()", [](Text& r) { (void)std::as_const(r).value(); }},
      {"std::move(r).value()", [](Text& r) { (void)std::move(r).value(); }},
      {"operator*", [](Text& r) { (void)*r; }},
      {"operator->", [](Text& r) { (void)r->size(); }},
  };
  for (const auto& [what, access] : accesses) {
    Text result = denied;
    try {
      access(result);
      ADD_FAILURE() << what << " gave a value";
    } catch (const corvane::BadResultAccess& e) {
      EXPECT_EQ(e.status(), Status::Denied) << what;
      EXPECT_STREQ(e.what(), "Denied") << what;
    }
  }
  Text fallback = denied;
  EXPECT_EQ(fallback.value_or(L"none"), L"none");
  const corvane::Result<void> failed(corvane::Error{Status::TimedOut, "TimedOut"});
  EXPECT_THROW(failed.value(), corvane::BadResultAccess);
}

// Moving the value out leaves a result that says it has none.
TEST(CppLayer, MovingTheValueOutLeavesAFailure) {
  using Text = corvane::Result<std::wstring>;
  const std::pair<const char*, std::function<std::wstring(Text&)>> moves[] = {
      {"std::move(r).value()", [](Text& r) { return std::move(r).value(); }},
      {"*std::move(r)", [](Text& r) { return *std::move(r); }},
      {"std::move(r).value_or()", [](Text& r) { return std::move(r).value_or(L"none"); }},
  };
  for (const auto& [what, move] : moves) {
    Text result(std::wstring(40, L'x'));  // beyond any small-string storage
    EXPECT_EQ(move(result), std::wstring(40, L'x')) << what;
    EXPECT_FALSE(result.has_value()) << what;
    EXPECT_EQ(result.error().status, Status::Closed) << what;
    EXPECT_THROW((void)result.value(), corvane::BadResultAccess) << what;
  }
}

TEST(CppLayer, APluginChannelClosesItsHandleUnlessReleased) {
  auto started = corvane::Session::Start();
  ASSERT_TRUE(started) << started.message();
  corvane::Session session = std::move(started).value();
  DWORD flags = 0;

  auto channel = session.GetPluginChannel();
  ASSERT_TRUE(channel) << channel.message();
  HANDLE handle = channel->native_handle();
  ASSERT_TRUE(GetHandleInformation(handle, &flags));
  { const corvane::PluginChannel owner = std::move(channel).value(); }
  EXPECT_FALSE(GetHandleInformation(handle, &flags));

  uint64_t released = 0;
  {
    auto kept = session.GetPluginChannel();
    ASSERT_TRUE(kept) << kept.message();
    released = kept->release();
  }
  EXPECT_TRUE(GetHandleInformation(reinterpret_cast<HANDLE>(released), &flags));
  CloseHandle(reinterpret_cast<HANDLE>(released));
}

// The callback's target stays with the session through moves, and lines come
// on another thread than the caller's.
TEST(CppLayer, DiagnosticLinesComeThroughTheStartOptions) {
  std::mutex mutex;
  std::vector<std::string> lines;
  std::thread::id caller;
  corvane::StartOptions options;
  options.connectTimeout = std::chrono::seconds(30);
  options.onDiagnostic = [&](std::string_view line) {
    const std::lock_guard<std::mutex> lock(mutex);
    lines.emplace_back(line);
    caller = std::this_thread::get_id();
  };
  auto started = corvane::Session::Start(std::move(options));
  ASSERT_TRUE(started) << started.message();
  corvane::Session session = std::move(started).value();
  corvane::Session moved = std::move(session);

  EXPECT_EQ(moved.WriteString(Hive::LocalMachine, L"Software\\Corvane", L"n", L"x").status(),
            Status::Denied);
  moved.Close();
  const std::lock_guard<std::mutex> lock(mutex);
  EXPECT_EQ(lines, std::vector<std::string>{"[CorvaneBroker] denied: write to read-only hive"});
  EXPECT_NE(caller, std::this_thread::get_id());
}

}  // namespace
