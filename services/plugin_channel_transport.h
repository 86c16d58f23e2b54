// The broker's end of the latest plug-in channel. Nothing reads or writes
// it; it only keeps the channel connected. Windows only.
#pragma once

#include "ipc/pipe_transport.h"

namespace corvane {

// Built on first use (its exit routine closes it) and published as the
// process-wide pointer.
PipeTransportWithMessagePump& PluginChannelTransport();

// The process-wide pointer: null until a handle has been handed to a plug-in
// and again after ClosePluginChannelTransport.
PipeTransportWithMessagePump* CurrentPluginChannelTransport();

// Closes the transport if it exists and clears the pointer.
void ClosePluginChannelTransport();

}  // namespace corvane
