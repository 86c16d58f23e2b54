// Waiting while the thread's window messages keep flowing: a thread that
// owns windows (or that others send messages to) must not stop dispatching
// them while it waits. Windows only.
#pragma once

#include <windows.h>

namespace corvane::win {

// Dispatches every message queued for this thread. `removeFlags` is
// PeekMessageW's last argument (PM_REMOVE, with PM_NOYIELD if wanted).
void PumpWindowMessages(UINT removeFlags);

// Waits without a time-out until one of `count` handles is signalled,
// dispatching window messages whenever they arrive. Answers WAIT_OBJECT_0 + i
// for handle i, or WAIT_FAILED.
DWORD WaitPumpingMessages(DWORD count, const HANDLE* handles, UINT removeFlags);

}  // namespace corvane::win
