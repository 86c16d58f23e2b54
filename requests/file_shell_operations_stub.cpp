// Placeholder until the file and shell operations exist: every code goes
// the way of the registry operations.
#include "requests/file_shell_operations.h"

namespace corvane {

bool DispatchFileOrShellOperation(uint32_t, const std::u16string&, const std::u16string&,
                                  const std::u16string&, std::u16string&, int32_t&) {
  return false;
}

}  // namespace corvane
