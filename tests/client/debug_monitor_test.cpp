#include "plugin/client/debug_monitor.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "win/scoped_handle.h"

namespace corvane::client {
namespace {

// Bounds every wait so that a broken monitor fails the test instead of
// hanging it; no result depends on these durations.
constexpr uint32_t kPatienceMs = 60000;

std::u16string Debuggee() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::u16string exe(reinterpret_cast<const char16_t*>(path), length);
  return exe.substr(0, exe.find_last_of(u'\\') + 1) + u"corvane-test-debuggee.exe";
}

std::unique_ptr<DebugMonitor> StartOrFail(std::u16string commandLine) {
  auto started = DebugMonitor::Start(Debuggee(), std::move(commandLine));
  if (!started) {
    ADD_FAILURE() << started.error().message;
    return nullptr;
  }
  return std::move(started).value();
}

TEST(DebugMonitor, CollectsEveryOutputStringInOrderAndTheExitCode) {
  auto monitor = StartOrFail(u"debuggee");
  ASSERT_TRUE(monitor);
  EXPECT_NE(monitor->processId(), 0u);
  // The exception raised inside the debuggee is its own business: it is
  // passed back and handled there, so the program carries on to the end.
  EXPECT_EQ(monitor->WaitForExit(kPatienceMs), 7u);
  EXPECT_EQ(monitor->TakeOutput(),
            (std::vector<std::string>{"first line\n", "wide \xC3\xA9\n", "after the exception\n"}));
  EXPECT_TRUE(monitor->TakeOutput().empty());
}

TEST(DebugMonitor, AStringIsQueuedBeforeTheDebuggeeGoesOn) {
  const std::wstring eventName =
      L"corvane-debuggee-ready-" + std::to_wstring(GetCurrentProcessId());
  UniqueHandle ready(CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
  ASSERT_TRUE(ready);
  auto monitor = StartOrFail(u"debuggee " + std::u16string(eventName.begin(), eventName.end()));
  ASSERT_TRUE(monitor);
  ASSERT_EQ(WaitForSingleObject(ready.get(), kPatienceMs), WAIT_OBJECT_0);
  // The debuggee signalled after writing "ready": the line is already here.
  const auto output = monitor->TakeOutput();
  ASSERT_FALSE(output.empty());
  EXPECT_EQ(output.back(), "ready\n");
  // It still runs; the process handle is usable by this thread.
  EXPECT_FALSE(monitor->WaitForExit(0));
  EXPECT_EQ(WaitForSingleObject(monitor->process(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST(DebugMonitor, DestroyingTheMonitorEndsADebuggeeThatWouldNotEnd) {
  const std::wstring eventName = L"corvane-debuggee-wait-" + std::to_wstring(GetCurrentProcessId());
  UniqueHandle ready(CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
  auto monitor = StartOrFail(u"debuggee " + std::u16string(eventName.begin(), eventName.end()));
  ASSERT_TRUE(monitor);
  ASSERT_EQ(WaitForSingleObject(ready.get(), kPatienceMs), WAIT_OBJECT_0);
  UniqueHandle process;
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), monitor->process(), GetCurrentProcess(),
                              process.Receive(), SYNCHRONIZE, FALSE, 0));
  monitor.reset();
  EXPECT_EQ(WaitForSingleObject(process.get(), 0), WAIT_OBJECT_0);
}

TEST(DebugMonitor, AProgramThatCannotStartIsReported) {
  auto monitor = DebugMonitor::Start(u"C:\\no\\such\\program.exe", u"program");
  ASSERT_FALSE(monitor);
  EXPECT_EQ(monitor.error().kind, ErrorKind::StartFailed);
  EXPECT_EQ(monitor.error().systemError, 3u);  // ERROR_PATH_NOT_FOUND
}

}  // namespace
}  // namespace corvane::client
