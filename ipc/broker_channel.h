// The channel type of the broker pipe.
#pragma once

#include "ipc/channel.h"
#include "ipc/pipe_transport.h"

namespace ipc {
using BrokerChannel = Channel<PipeTransportWithMessagePump>;
}  // namespace ipc
