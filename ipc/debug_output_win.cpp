#include <windows.h>

#include "ipc/debug_output.h"

namespace ipc {

void DebugOutput(const char* line) {
  OutputDebugStringA(line);
}

}  // namespace ipc
