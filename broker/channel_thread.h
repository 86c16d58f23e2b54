// The channel thread: connects the broker pipe, reports the outcome to the
// main thread and serves messages until the receive loop stops. Windows only.
#pragma once

#include <windows.h>

#include "broker/broker_main.h"
#include "win/scoped_handle.h"

namespace corvane {

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
