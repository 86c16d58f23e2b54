// Which texts may be handed to the shell's "open" verb.
#pragma once

#include <cstddef>
#include <string_view>

#include "policy/verdict.h"
#include "protocol/limits.h"  // kMaxShellTargetLength

namespace corvane {

// Refuses every "%NAME%" that could name a variable, except names starting
// with two hex digits (web addresses' percent escapes): whether such a text
// expands in the process's environment is for the caller to compare.
PolicyVerdict CheckShellTarget(std::u16string_view target);

}  // namespace corvane
