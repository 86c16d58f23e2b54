// The broker's ends of the plug-in channels: the newest in a transport, the
// earlier ones in a fixed store beside it. Nothing reads or writes them; they
// only keep the channels connected. Windows only.
#pragma once

#include <cstddef>

#include "ipc/pipe_transport.h"
#include "policy/grants.h"  // kMaxPluginChannels, the newest channel included
#include "win/scoped_handle.h"

namespace corvane {

// Built on first use (its exit routine closes it) and published as the
// process-wide pointer, which ClosePluginChannelTransport clears again.
PipeTransportWithMessagePump& PluginChannelTransport();

// True while fewer than kMaxPluginChannels channels are held. When all places
// are taken, first lets go of the channels whose plug-in end is gone.
bool PluginChannelPlaceFree();

// Makes `client` the transport's handle (none when connecting failed); the
// channel the transport held so far moves into the store of earlier ones.
// Call only after PluginChannelPlaceFree has answered true.
void AttachPluginChannel(UniqueHandle client);

// Closes the earlier channels and the transport, if it exists, and clears the
// pointer. Channel thread only.
void ClosePluginChannelTransport();

}  // namespace corvane
