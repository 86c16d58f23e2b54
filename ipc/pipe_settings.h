// How the broker's pipes are made: the broker pipe and every plug-in
// channel use the same buffers and the same default wait.
#pragma once

#include <cstdint>

namespace ipc {

// In- and out-buffer size given to CreateNamedPipeW; the transport reads
// this much at a time.
inline constexpr uint32_t kPipeBufferSize = 4096;
// The pipe's default time-out: what WaitNamedPipeW waits with
// NMPWAIT_USE_DEFAULT_WAIT.
inline constexpr uint32_t kPipeDefaultTimeoutMs = 2000;

}  // namespace ipc
