#include <cstdio>

#include "ipc/debug_output.h"

namespace ipc {

void DebugOutput(const char* line) {
  std::fputs(line, stderr);
}

}  // namespace ipc
