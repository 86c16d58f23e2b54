// The broker's main thread: reads the command line, creates the broker
// pipe, starts the channel thread and waits, first for the plug-in to
// connect and then for the served process or the channel thread to end.
// Windows only.
#pragma once

#include <windows.h>

#include <string_view>

namespace corvane {

// Shared with the channel thread; the events are owned by BrokerMain.
struct BrokerSync {
  HANDLE readyEvent = nullptr;   // a client connected and the service manager exists
  HANDLE failedEvent = nullptr;  // connecting the broker pipe failed
};

// 0 after serving; 1 for a bad command line or any failure before serving.
int BrokerMain(std::u16string_view commandLine);

bool RunBroker(BrokerSync& sync, std::u16string_view commandLine);

}  // namespace corvane
