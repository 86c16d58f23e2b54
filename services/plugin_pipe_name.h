// The name of a plug-in's private pipe: "\\.\pipe\ko.<broker>.<tick>.<n>",
// each number in lower-case hex without leading zeros. Windows only.
#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane {

// Room for the longest name (38 characters) and its terminating NUL.
constexpr size_t kPluginPipeNameSize = 48;

void FormatPluginPipeName(wchar_t (&name)[kPluginPipeNameSize], uint32_t brokerId, uint32_t tick,
                          uint32_t number);

}  // namespace corvane
