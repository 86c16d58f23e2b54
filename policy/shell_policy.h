// Which texts may be handed to the shell's "open" verb.
#pragma once

#include <string_view>

#include "policy/verdict.h"

namespace corvane {

PolicyVerdict CheckShellTarget(std::u16string_view target);

}  // namespace corvane
