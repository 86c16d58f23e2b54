// The shell action: the target, as the shell rule allowed it, opened with
// the "open" verb.
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

// Launched: Ok; a failed launch writes one diagnostic line and answers Failed.
BrokerStatus ShellOpen(const CheckedRequest& r, std::u16string&) {
  // Some handlers are components that need an apartment on this thread; a
  // failed initialisation still lets the launch be tried.
  const HRESULT hrCoInit =
      syslib::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  // The launched application may bring its window to the front.
  syslib::AllowSetForegroundWindow(ASFW_ANY);
  const HINSTANCE instance =
      syslib::ShellExecuteW(nullptr, L"open", win::Wide(r.path), nullptr, nullptr, SW_SHOWNORMAL);
  if (hrCoInit >= 0) syslib::CoUninitialize();

  const auto rc = reinterpret_cast<intptr_t>(instance);
  if (rc > 32) return BrokerStatus::Ok;

  // The low 32 bits of the shell's small error value, signed.
  const auto code = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uintptr_t>(rc)));
  char line[160];
  std::snprintf(line, sizeof line, "[CorvaneBroker] ShellExecuteW failed: rc=%d hrCoInit=0x%08lX\n",
                static_cast<int>(code), static_cast<unsigned long>(hrCoInit));
  ipc::DebugOutput(line);
  return BrokerStatus::Failed;
}

}  // namespace corvane::action
