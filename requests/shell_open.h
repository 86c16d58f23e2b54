// Operation 18: open a web address or a listed document with the shell's
// "open" verb, after the shell-target check. Windows only.
#pragma once

#include <cstdint>
#include <string>

namespace corvane {

// 0 launched, 2 refused by the check, 3 the launch failed. Refusals and
// failures write one diagnostic line.
int32_t ShellOpen(const std::u16string& path);

}  // namespace corvane
