// The few user32, shell32 and ole32 functions the broker calls, resolved on
// first use instead of through the executable's imports: loading user32 at
// process start is most of the broker's start-up time; and the native calls
// that the SDK does not declare, from ntdll. Each library is loaded
// once, from the system folder only, and stays loaded for the process's life.
// A function that cannot be resolved fails the way the real call fails.
// Windows only.
#pragma once

// clang-format off
#include <windows.h>
#include <shellapi.h>  // SHELLEXECUTEINFOW
// clang-format on

namespace corvane::syslib {

// A function of a system library, or null. `library` is looked for in the
// system folder only, never next to the program. Thread-safe.
using AnyFunction = void (*)();
AnyFunction FindSystemFunction(const wchar_t* library, const char* name);

// user32. The wait answers WAIT_FAILED when unresolved.
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll,
                                DWORD milliseconds, DWORD wakeMask);
BOOL PeekMessageW(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageW(const MSG* msg);
BOOL AllowSetForegroundWindow(DWORD processId);

// shell32. ShellExecuteExW answers FALSE with hInstApp SE_ERR_DLLNOTFOUND (32)
// when unresolved.
BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info);
HRESULT SHGetFolderPathW(HWND window, int csidl, HANDLE token, DWORD flags, wchar_t* path);

// ole32.
HRESULT CoInitializeEx(void* reserved, DWORD coInit);
void CoUninitialize();

// ntdll. NtQueryKey answers STATUS_PROCEDURE_NOT_FOUND (0xC000007A) when
// unresolved; `informationClass` is a KEY_INFORMATION_CLASS value.
LONG NtQueryKey(HANDLE key, int informationClass, void* information, ULONG length,
                ULONG* resultLength);

}  // namespace corvane::syslib
