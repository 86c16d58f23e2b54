// The broker's main thread: reads the command line, creates the broker
// pipe, starts the channel thread and waits, first for the plug-in to
// connect and then for the served process or the channel thread to end.
// Windows only.
#pragma once

#include <string_view>

namespace corvane {

// 0 after serving; 1 for a bad command line or any failure before serving.
int BrokerMain(std::u16string_view commandLine);

}  // namespace corvane
