// How a plug-in tells the broker what to serve: the broker's command line
// and the full name of its pipe.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane::client {

// `"<exe>" --ipc=<ipcName> --proc=<servedProcessId>`. The name goes in as it
// is: the broker takes everything between " --ipc=" and " --proc=".
std::u16string BuildBrokerCommandLine(std::u16string_view exePath, std::u16string_view ipcName,
                                      uint32_t servedProcessId);

// "\\.\pipe\" + ipcName; a name that already carries that prefix is kept.
std::u16string BrokerPipePath(std::u16string_view ipcName);

}  // namespace corvane::client
