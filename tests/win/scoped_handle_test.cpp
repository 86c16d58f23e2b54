// The one handle owner, with real kernel objects and registry keys.
#include "win/scoped_handle.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "win/process_information.h"

namespace corvane {
namespace {

bool IsOpenKernelHandle(HANDLE h) {
  DWORD flags = 0;
  return GetHandleInformation(h, &flags) != 0;
}

bool IsOpenKey(HKEY key) {
  DWORD subkeys = 0;
  return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                          nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

TEST(ScopedHandle, KernelHandlesCloseOnceAndOnlyWhileOwned) {
  // Both failure values of Win32 mean none, and nothing is closed for them.
  EXPECT_FALSE(UniqueHandle());
  EXPECT_FALSE(UniqueHandle(INVALID_HANDLE_VALUE));
  SetLastError(ERROR_FILE_NOT_FOUND);
  { UniqueHandle none(INVALID_HANDLE_VALUE); }
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  UniqueHandle event = win::NewEvent(true);
  ASSERT_TRUE(event);
  const HANDLE raw = event.get();
  UniqueHandle moved(std::move(event));
  EXPECT_FALSE(event);  // a moved-from owner is empty
  EXPECT_EQ(moved.get(), raw);
  UniqueHandle assigned;
  assigned = std::move(moved);
  EXPECT_TRUE(IsOpenKernelHandle(raw));

  // Release hands the handle over open; Reset closes what is held.
  const HANDLE released = assigned.Release();
  EXPECT_FALSE(assigned);
  EXPECT_TRUE(IsOpenKernelHandle(released));
  assigned.Reset(released);
  assigned.Reset();
  EXPECT_FALSE(IsOpenKernelHandle(raw));

  HANDLE scoped = nullptr;
  {
    const UniqueHandle inner = win::NewEvent(false);
    scoped = inner.get();
    EXPECT_TRUE(IsOpenKernelHandle(scoped));
  }
  EXPECT_FALSE(IsOpenKernelHandle(scoped));
}

// An out-parameter closes what was held before the call writes the next one.
TEST(ScopedHandle, ReceiveClosesTheOldHandleAndHoldsWhatTheCallWrote) {
  UniqueHandle owner = win::NewEvent(false);
  const HANDLE old = owner.get();
  HANDLE* const slot = owner.Receive();
  EXPECT_FALSE(owner);
  EXPECT_FALSE(IsOpenKernelHandle(old));
  const UniqueHandle source = win::NewEvent(false);
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), source.get(), GetCurrentProcess(), slot, 0,
                              FALSE, DUPLICATE_SAME_ACCESS));
  EXPECT_TRUE(owner);
  EXPECT_TRUE(IsOpenKernelHandle(owner.get()));
}

TEST(ScopedHandle, RegistryKeysCloseWithRegCloseKey) {
  HKEY opened = nullptr;
  {
    RegKey key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.Receive()),
              ERROR_SUCCESS);
    opened = key.get();
    EXPECT_TRUE(key);
    EXPECT_TRUE(IsOpenKey(key.get()));
    RegKey other = std::move(key);
    EXPECT_FALSE(key);
  }
  EXPECT_FALSE(IsOpenKey(opened));
  EXPECT_FALSE(RegKey());
}

// Both handles of a started process are owned; the process handle may be
// taken out, and the thread handle closes with the owner.
TEST(ProcessInformation, OwnsBothHandlesOfAStartedProcess) {
  wchar_t self[MAX_PATH] = {};
  ASSERT_NE(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --gtest_filter=None.None";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  win::ProcessInformation info;
  PROCESS_INFORMATION* const written = info.Receive();
  ASSERT_TRUE(CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, written));
  const HANDLE thread = written->hThread;
  EXPECT_NE(info.processId(), 0u);
  const UniqueHandle process = info.TakeProcess();
  EXPECT_EQ(info.process(), nullptr);
  ASSERT_TRUE(IsOpenKernelHandle(process.get()));
  EXPECT_TRUE(IsOpenKernelHandle(thread));
  info.Reset();
  EXPECT_FALSE(IsOpenKernelHandle(thread));
  EXPECT_TRUE(IsOpenKernelHandle(process.get()));
  EXPECT_EQ(WaitForSingleObject(process.get(), INFINITE), WAIT_OBJECT_0);
}

}  // namespace
}  // namespace corvane
