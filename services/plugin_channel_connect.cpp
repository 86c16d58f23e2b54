#include "services/plugin_channel_connect.h"

#include <algorithm>

#include "ipc/pipe_settings.h"
#include "win/deadline.h"

namespace corvane {

namespace {

constexpr DWORD kRetryPauseMs = 25;

void Pause(const win::Deadline& deadline) {
  Sleep(std::min(kRetryPauseMs, deadline.Remaining()));
}

}  // namespace

UniqueHandle ConnectPluginChannelClient(const wchar_t* name, uint32_t budgetMs) {
  const win::Deadline deadline(budgetMs);
  // Lets the pipe's server see the broker's identity but not impersonate it.
  SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
  for (;;) {
    const DWORD left = deadline.Remaining();
    if (left == 0) return UniqueHandle();
    if (!WaitNamedPipeW(name,
                        left < ipc::kPipeDefaultTimeoutMs ? left : NMPWAIT_USE_DEFAULT_WAIT)) {
      // The pipe was made before its server end was handed over, so a
      // missing name means the plug-in has closed that end: nothing to wait for.
      if (GetLastError() == ERROR_FILE_NOT_FOUND) return UniqueHandle();
      Pause(deadline);
      continue;
    }
    UniqueHandle pipe(CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, &attributes, OPEN_EXISTING,
                                  SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
    if (pipe) return pipe;
    if (GetLastError() != ERROR_PIPE_BUSY) return UniqueHandle();
    Pause(deadline);
    Pause(deadline);
  }
}

}  // namespace corvane
