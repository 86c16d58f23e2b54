#include "services/plugin_channel_transport.h"

namespace corvane {

namespace {

// Used on the channel thread only.
PipeTransportWithMessagePump* g_pluginChannelTransport = nullptr;

}  // namespace

PipeTransportWithMessagePump& PluginChannelTransport() {
  // The destructor, run at process exit, releases the buffer and closes.
  static PipeTransportWithMessagePump transport;
  g_pluginChannelTransport = &transport;
  return transport;
}

PipeTransportWithMessagePump* CurrentPluginChannelTransport() {
  return g_pluginChannelTransport;
}

void ClosePluginChannelTransport() {
  if (g_pluginChannelTransport == nullptr) return;
  g_pluginChannelTransport->ReleaseBuffer();
  g_pluginChannelTransport->Close();
  g_pluginChannelTransport = nullptr;
}

}  // namespace corvane
