// The file and shell operations of the request service (codes 14 to 18, 21
// and 22), each with its policy check and refusal line.
#pragma once

#include <cstdint>
#include <string>

namespace corvane {

// Performs `operation` if it is one of the file or shell operations and
// stores its status; false for every other code, which the caller handles.
bool DispatchFileOrShellOperation(uint32_t operation, const std::u16string& path,
                                  const std::u16string& name, const std::u16string& data,
                                  std::u16string& text, int32_t& status);

}  // namespace corvane
