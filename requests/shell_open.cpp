// The shell action: the target, as the shell rule allowed it, opened with
// the "open" verb of the type the rule judged it to be.
// clang-format off
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
// clang-format on

#include <cstdint>
#include <cstdio>
#include <string>

#include "ipc/debug_output.h"
#include "requests/operation_actions.h"
#include "win/system_libraries.h"
#include "win/wide_text.h"

namespace corvane::action {

namespace {

// Whether `path` names a file (not a folder) that is there.
bool IsFile(const std::u16string& path) {
  const DWORD attributes = GetFileAttributesW(win::Wide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Whether the shell launched the target; when not, `rc` is its small error
// value.
bool Launch(const CheckedRequest& r, intptr_t& rc) {
  const JudgedShellTarget& judged = r.shellTarget;
  // Every allowed target has a type; without one nothing is handed over.
  rc = SE_ERR_NOASSOC;
  if (judged.type.empty()) return false;
  // The class launch hands even a missing document to the handler; a
  // document that is not there fails as it always has.
  if (judged.isFile && !IsFile(r.path)) {
    rc = SE_ERR_FNF;
    return false;
  }
  const std::u16string type(judged.type);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  // The class names the handler: the shell given a bare target may look at
  // it as a program before it looks at its type (Wine's does), and would run
  // a program written under a document's name. No environment substitution:
  // the text was judged as it is. No dialog: no one sees the broker's. Handed
  // over before the call returns, as the broker may end soon after.
  info.fMask = SEE_MASK_CLASSNAME | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.lpVerb = L"open";
  info.lpFile = win::Wide(r.path);
  info.lpClass = win::Wide(type);
  info.nShow = SW_SHOWNORMAL;
  if (syslib::ShellExecuteExW(&info)) return true;
  rc = reinterpret_cast<intptr_t>(info.hInstApp);
  // Wine's class launch leaves no error value (0) for a type without an
  // application; the error it stands for is the shell's own for that.
  if (rc <= 0 || rc > 32) rc = SE_ERR_NOASSOC;
  return false;
}

}  // namespace

// Launched: Ok; a failed launch writes one diagnostic line and answers Failed.
BrokerStatus ShellOpen(const CheckedRequest& r, std::u16string&) {
  // Some handlers are components that need an apartment on this thread; a
  // failed initialisation still lets the launch be tried.
  const HRESULT hrCoInit =
      syslib::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  // The launched application may bring its window to the front.
  syslib::AllowSetForegroundWindow(ASFW_ANY);
  intptr_t rc = 0;
  const bool launched = Launch(r, rc);
  if (hrCoInit >= 0) syslib::CoUninitialize();
  if (launched) return BrokerStatus::Ok;

  // The low 32 bits of the shell's small error value, signed. The line keeps
  // the name of the call it has always named, for those who watch for it.
  const auto code = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uintptr_t>(rc)));
  char line[160];
  std::snprintf(line, sizeof line, "[CorvaneBroker] ShellExecuteW failed: rc=%d hrCoInit=0x%08lX\n",
                static_cast<int>(code), static_cast<unsigned long>(hrCoInit));
  ipc::DebugOutput(line);
  return BrokerStatus::Failed;
}

}  // namespace corvane::action
