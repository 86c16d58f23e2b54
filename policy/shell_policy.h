// Which texts may be handed to the shell's "open" verb.
#pragma once

#include <cstddef>
#include <string_view>

#include "policy/verdict.h"
#include "protocol/limits.h"  // kMaxShellTargetLength

namespace corvane {

PolicyVerdict CheckShellTarget(std::u16string_view target);

}  // namespace corvane
