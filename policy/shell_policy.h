// Which texts may be handed to the shell's "open" verb.
#pragma once

#include <cstddef>
#include <string_view>

#include "policy/verdict.h"

namespace corvane {

// The longest target, in UTF-16 units, that may reach the shell. Wine's shell
// crashes on targets of about 1,000 units (997 was the shortest seen), and
// with a 255-unit association command it cuts the argument of targets from
// 772 units on; the figure keeps clear of both and still admits every
// 260-unit document path and web addresses well beyond 512 units.
inline constexpr size_t kMaxShellTargetLength = 720;

// Refuses every "%NAME%" that could name a variable, except names starting
// with two hex digits (web addresses' percent escapes): whether such a text
// expands in the process's environment is for the caller to compare.
PolicyVerdict CheckShellTarget(std::u16string_view target);

}  // namespace corvane
