// The channel thread: connects the broker pipe, reports the outcome to the
// main thread and serves messages until the receive loop stops. Windows only.
#pragma once

#include <windows.h>

#include "win/scoped_handle.h"

namespace corvane {

// Shared between the main thread and the channel thread; the events are
// owned by BrokerMain.
struct BrokerSync {
  HANDLE readyEvent = nullptr;   // a client connected and the service manager exists
  HANDLE failedEvent = nullptr;  // connecting the broker pipe failed
};

// Freed by RunBroker after its final wait; the thread takes the pipe out
// before it reports.
struct ChannelThreadArgs {
  BrokerSync* sync;
  UniqueHandle pipe;
};

// 0 after serving, 1 when connecting failed. Sets exactly one of the events,
// and touches neither `args` nor the events afterwards.
DWORD ChannelThreadMain(ChannelThreadArgs* args);

// The CreateThread entry: ChannelThreadMain with `param` as its arguments.
DWORD WINAPI ChannelThreadStart(LPVOID param);

}  // namespace corvane
