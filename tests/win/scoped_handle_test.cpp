// The one handle owner, with real kernel objects and registry keys.
#include "win/scoped_handle.h"

#include <gtest/gtest.h>

#include <utility>

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

TEST(ScopedHandle, RegistryKeysCloseWithRegCloseKey) {
  HKEY opened = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &opened), ERROR_SUCCESS);
  {
    RegKey key(opened);
    EXPECT_TRUE(key);
    EXPECT_TRUE(IsOpenKey(key.get()));
    RegKey other = std::move(key);
    EXPECT_FALSE(key);
  }
  EXPECT_FALSE(IsOpenKey(opened));
  EXPECT_FALSE(RegKey());
}

}  // namespace
}  // namespace corvane
