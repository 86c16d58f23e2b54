// The functions resolved on first use: found in the system folder only, and
// behaving as the directly imported ones do.
// clang-format off
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
// clang-format on

#include "win/system_libraries.h"

#include <gtest/gtest.h>

#include <string>

#include "win/scoped_handle.h"

namespace {

namespace syslib = corvane::syslib;

syslib::AnyFunction Direct(const wchar_t* library, const char* name) {
  return reinterpret_cast<syslib::AnyFunction>(GetProcAddress(GetModuleHandleW(library), name));
}

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, n);
  return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

TEST(SystemLibraries, FindsTheSameFunctionsAsTheImports) {
  EXPECT_EQ(syslib::FindSystemFunction(L"user32.dll", "PeekMessageW"),
            Direct(L"user32.dll", "PeekMessageW"));
  EXPECT_EQ(syslib::FindSystemFunction(L"shell32.dll", "ShellExecuteW"),
            Direct(L"shell32.dll", "ShellExecuteW"));
  EXPECT_EQ(syslib::FindSystemFunction(L"ole32.dll", "CoInitializeEx"),
            Direct(L"ole32.dll", "CoInitializeEx"));
  EXPECT_NE(syslib::FindSystemFunction(L"user32.dll", "PeekMessageW"), nullptr);
}

TEST(SystemLibraries, UnknownNamesAreNotFound) {
  EXPECT_EQ(syslib::FindSystemFunction(L"user32.dll", "NoSuchFunctionAtAll"), nullptr);
  EXPECT_EQ(syslib::FindSystemFunction(L"corvane-no-such-library.dll", "PeekMessageW"), nullptr);
}

// A library next to the program is never the one loaded.
TEST(SystemLibraries, IgnoresLibrariesNextToTheProgram) {
  wchar_t system[MAX_PATH] = {};
  ASSERT_NE(GetSystemDirectoryW(system, MAX_PATH), 0u);
  const std::wstring planted = ProgramFolder() + L"corvane-planted.dll";
  ASSERT_TRUE(CopyFileW((std::wstring(system) + L"\\version.dll").c_str(), planted.c_str(), FALSE));
  EXPECT_EQ(syslib::FindSystemFunction(L"corvane-planted.dll", "GetFileVersionInfoW"), nullptr);
  // The ordinary search does find it; loaded only now, since a loaded module
  // is matched by its name alone.
  HMODULE ordinary = LoadLibraryW(L"corvane-planted.dll");
  EXPECT_NE(ordinary, nullptr);
  if (ordinary != nullptr) FreeLibrary(ordinary);
  DeleteFileW(planted.c_str());
}

TEST(SystemLibraries, MessageWaitAndPump) {
  const corvane::UniqueHandle owner = corvane::win::NewEvent(true);
  ASSERT_TRUE(owner);
  const HANDLE event = owner.get();
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // gives the thread its queue
  ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), WM_APP, 7, 0));
  EXPECT_EQ(syslib::MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT),
            WAIT_OBJECT_0 + 1);
  ASSERT_TRUE(syslib::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_APP));
  EXPECT_EQ(msg.wParam, 7u);
  syslib::TranslateMessage(&msg);
  EXPECT_EQ(syslib::DispatchMessageW(&msg), 0);  // a thread message has no window
  EXPECT_FALSE(syslib::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  SetEvent(event);
  EXPECT_EQ(syslib::MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT),
            WAIT_OBJECT_0);
}

TEST(SystemLibraries, FolderPathAsTheDirectCall) {
  wchar_t direct[MAX_PATH] = {};
  wchar_t resolved[MAX_PATH] = {};
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, direct), S_OK);
  ASSERT_EQ(syslib::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, resolved),
            S_OK);
  EXPECT_EQ(std::wstring(resolved), std::wstring(direct));
}

TEST(SystemLibraries, ApartmentCallsBalance) {
  ASSERT_EQ(syslib::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  EXPECT_EQ(syslib::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
  syslib::CoUninitialize();
  syslib::CoUninitialize();
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);  // nothing left over
  CoUninitialize();
}

}  // namespace
