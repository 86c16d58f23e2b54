// Narrow diagnostic lines for a debugger. On Windows they go to
// OutputDebugStringA; on the host build to standard error.
#pragma once

namespace ipc {

void DebugOutput(const char* line);

}  // namespace ipc
