#include "win/message_pump.h"

#include "win/system_libraries.h"

namespace corvane::win {

void PumpWindowMessages(UINT removeFlags) {
  MSG msg;
  while (syslib::PeekMessageW(&msg, nullptr, 0, 0, removeFlags)) {
    syslib::TranslateMessage(&msg);
    syslib::DispatchMessageW(&msg);
  }
}

DWORD WaitPumpingMessages(DWORD count, const HANDLE* handles, UINT removeFlags) {
  for (;;) {
    const DWORD r = syslib::MsgWaitForMultipleObjects(count, handles, FALSE, INFINITE, QS_ALLINPUT);
    if (r < WAIT_OBJECT_0 + count) return r;
    if (r != WAIT_OBJECT_0 + count) return WAIT_FAILED;
    PumpWindowMessages(removeFlags);
  }
}

}  // namespace corvane::win
