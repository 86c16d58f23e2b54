// Which system the Windows tests run on. Wine and Windows sometimes give
// different answers that are both sound; a test accepts either and names
// the system it saw. A case that can mean something on one of them only is
// skipped on the other with "skipped on Windows: why" (or Wine), so that a
// run on real Windows never passes silently where it proved nothing.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

namespace corvane::test {

// Wine's ntdll exports its version; Windows' does not.
inline bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

inline const char* PlatformName() {
  return UnderWine() ? "Wine" : "Windows";
}

}  // namespace corvane::test

// Ends the current test as skipped, with the reason, when it runs on Windows.
#define CORVANE_SKIP_ON_WINDOWS(why)  \
  if (::corvane::test::UnderWine()) { \
  } else                              \
    GTEST_SKIP() << "skipped on Windows: " << (why)
