#include "requests/shell_open.h"

// clang-format off
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
// clang-format on

#include <cstdint>
#include <cstdio>
#include <string>

#include "ipc/debug_output.h"
#include "ipc/system_libraries.h"
#include "policy/shell_policy.h"
#include "requests/broker_request.h"

namespace corvane {

int32_t ShellOpen(const std::u16string& path) {
  const PolicyVerdict verdict = CheckShellTarget(path);
  if (verdict != PolicyVerdict::Allow) {
    const std::string line =
        std::string("[CorvaneBroker] shell open ") + VerdictText(verdict) + "\n";
    ipc::DebugOutput(line.c_str());
    return static_cast<int32_t>(BrokerStatus::Denied);
  }

  // Some handlers are components that need an apartment on this thread; a
  // failed initialisation still lets the launch be tried.
  const HRESULT hrCoInit =
      syslib::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  // The launched application may bring its window to the front.
  syslib::AllowSetForegroundWindow(ASFW_ANY);
  const HINSTANCE instance =
      syslib::ShellExecuteW(nullptr, L"open", reinterpret_cast<const wchar_t*>(path.c_str()),
                            nullptr, nullptr, SW_SHOWNORMAL);
  if (hrCoInit >= 0) syslib::CoUninitialize();

  const auto rc = reinterpret_cast<intptr_t>(instance);
  if (rc > 32) return static_cast<int32_t>(BrokerStatus::Ok);

  // The low 32 bits of the shell's small error value, signed.
  const auto code = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uintptr_t>(rc)));
  char line[160];
  std::snprintf(line, sizeof line, "[CorvaneBroker] ShellExecuteW failed: rc=%d hrCoInit=0x%08lX\n",
                static_cast<int>(code), static_cast<unsigned long>(hrCoInit));
  ipc::DebugOutput(line);
  return static_cast<int32_t>(BrokerStatus::Failed);
}

}  // namespace corvane
