// The frame format is protocol/wire.h; this name and ipc::wire remain for the
// files that still use them.
#pragma once

#include "protocol/wire.h"

namespace ipc {
namespace wire = corvane::wire;
}  // namespace ipc
