#include "win/system_libraries.h"

#include <cwchar>

// Declarations only, for the exact function types; nothing here is imported.
// clang-format off
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
// clang-format on

namespace corvane::syslib {

namespace {

// The failure code of an unresolved function, as an HRESULT.
const HRESULT kNotResolved = HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);

// Loading must not disturb the caller's last-error value on success.
class LastErrorKeeper {
 public:
  LastErrorKeeper() : error_(GetLastError()) {}
  ~LastErrorKeeper() { SetLastError(error_); }
  LastErrorKeeper(const LastErrorKeeper&) = delete;
  LastErrorKeeper& operator=(const LastErrorKeeper&) = delete;

 private:
  DWORD error_;
};

// `f` when it was resolved; else `unresolved`, with the last-error value an
// unresolved import leaves.
template <typename F, typename R, typename... Args>
R CallOr(F f, R unresolved, Args... args) {
  if (f != nullptr) return f(args...);
  SetLastError(ERROR_PROC_NOT_FOUND);
  return unresolved;
}

template <typename F>
F Find(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  // Through void (*)(), which converts to any function type without a warning.
  return reinterpret_cast<F>(reinterpret_cast<AnyFunction>(GetProcAddress(module, name)));
}

HMODULE LoadFromSystemFolder(const wchar_t* library) {
  HMODULE module = LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) return module;
  // A system without the search flags: name the system folder explicitly,
  // never a bare name that the search order could find elsewhere.
  wchar_t path[MAX_PATH];
  const UINT length = GetSystemDirectoryW(path, MAX_PATH);
  const size_t nameLength = wcslen(library);
  if (length == 0 || length + 1 + nameLength >= MAX_PATH) return nullptr;
  path[length] = L'\\';
  wmemcpy(path + length + 1, library, nameLength + 1);
  return LoadLibraryW(path);
}

struct User32 {
  decltype(&::MsgWaitForMultipleObjects) msgWaitForMultipleObjects;
  decltype(&::PeekMessageW) peekMessage;
  decltype(&::TranslateMessage) translateMessage;
  decltype(&::DispatchMessageW) dispatchMessage;
  decltype(&::AllowSetForegroundWindow) allowSetForegroundWindow;
};

struct Shell32 {
  decltype(&::ShellExecuteExW) shellExecuteEx;
  decltype(&::SHGetFolderPathW) getFolderPath;
};

struct Ole32 {
  decltype(&::CoInitializeEx) coInitializeEx;
  decltype(&::CoUninitialize) coUninitialize;
};

// The SDK headers declare no native calls; the documented signatures.
struct Ntdll {
  LONG(NTAPI* queryKey)(HANDLE, int, void*, ULONG, ULONG*);
};

template <typename F>
void Load(HMODULE module, F& slot, const char* name) {
  slot = Find<F>(module, name);
}

// A function-local static per library: resolved once, by whichever thread
// comes first.
template <typename Functions, typename Fill>
const Functions& Resolved(const wchar_t* library, Fill fill) {
  static const Functions functions = [&] {
    const LastErrorKeeper keep;
    Functions resolved{};
    fill(LoadFromSystemFolder(library), resolved);
    return resolved;
  }();
  return functions;
}

const User32& User32Functions() {
  return Resolved<User32>(L"user32.dll", [](HMODULE m, User32& f) {
    Load(m, f.msgWaitForMultipleObjects, "MsgWaitForMultipleObjects");
    Load(m, f.peekMessage, "PeekMessageW");
    Load(m, f.translateMessage, "TranslateMessage");
    Load(m, f.dispatchMessage, "DispatchMessageW");
    Load(m, f.allowSetForegroundWindow, "AllowSetForegroundWindow");
  });
}

const Shell32& Shell32Functions() {
  return Resolved<Shell32>(L"shell32.dll", [](HMODULE m, Shell32& f) {
    Load(m, f.shellExecuteEx, "ShellExecuteExW");
    Load(m, f.getFolderPath, "SHGetFolderPathW");
  });
}

const Ole32& Ole32Functions() {
  return Resolved<Ole32>(L"ole32.dll", [](HMODULE m, Ole32& f) {
    Load(m, f.coInitializeEx, "CoInitializeEx");
    Load(m, f.coUninitialize, "CoUninitialize");
  });
}

const Ntdll& NtdllFunctions() {
  return Resolved<Ntdll>(L"ntdll.dll",
                         [](HMODULE m, Ntdll& f) { Load(m, f.queryKey, "NtQueryKey"); });
}

}  // namespace

AnyFunction FindSystemFunction(const wchar_t* library, const char* name) {
  return Find<AnyFunction>(LoadFromSystemFolder(library), name);
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll,
                                DWORD milliseconds, DWORD wakeMask) {
  return CallOr(User32Functions().msgWaitForMultipleObjects, WAIT_FAILED, count, handles, waitAll,
                milliseconds, wakeMask);
}

BOOL PeekMessageW(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
  return CallOr(User32Functions().peekMessage, FALSE, msg, window, filterMin, filterMax,
                removeFlags);
}

BOOL TranslateMessage(const MSG* msg) {
  return CallOr(User32Functions().translateMessage, FALSE, msg);
}

LRESULT DispatchMessageW(const MSG* msg) {
  return CallOr(User32Functions().dispatchMessage, LRESULT{0}, msg);
}

BOOL AllowSetForegroundWindow(DWORD processId) {
  return CallOr(User32Functions().allowSetForegroundWindow, FALSE, processId);
}

BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info) {
  const auto f = Shell32Functions().shellExecuteEx;
  if (f != nullptr) return f(info);
  info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_DLLNOTFOUND));
  SetLastError(ERROR_PROC_NOT_FOUND);
  return FALSE;
}

HRESULT SHGetFolderPathW(HWND window, int csidl, HANDLE token, DWORD flags, wchar_t* path) {
  return CallOr(Shell32Functions().getFolderPath, kNotResolved, window, csidl, token, flags, path);
}

HRESULT CoInitializeEx(void* reserved, DWORD coInit) {
  return CallOr(Ole32Functions().coInitializeEx, kNotResolved, reserved, coInit);
}

void CoUninitialize() {
  const auto f = Ole32Functions().coUninitialize;
  if (f != nullptr) f();
}

LONG NtQueryKey(HANDLE key, int informationClass, void* information, ULONG length,
                ULONG* resultLength) {
  constexpr auto kProcedureNotFound = static_cast<LONG>(0xC000007A);
  const auto f = NtdllFunctions().queryKey;
  return f != nullptr ? f(key, informationClass, information, length, resultLength)
                      : kProcedureNotFound;
}

}  // namespace corvane::syslib
