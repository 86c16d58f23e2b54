#include "services/plugin_channel_transport.h"

#include <atomic>
#include <cstdlib>

namespace corvane {

namespace {

std::atomic<PipeTransportWithMessagePump*> g_pluginChannelTransport{nullptr};

// Closes the transport once: the channel thread does it at its end, and the
// exit routine does it when the process ends first. The two can run at the
// same moment (the main thread returns while the channel thread finishes), so
// whoever takes the pointer first closes, and a handle is never closed twice.
void CloseOnce() {
  PipeTransportWithMessagePump* transport = g_pluginChannelTransport.exchange(nullptr);
  if (transport == nullptr) return;
  transport->ReleaseBuffer();
  transport->Close();
}

PipeTransportWithMessagePump& Instance() {
  // Never destroyed: the channel thread may still hold it while the process
  // runs its exit routines. The exit routine closes it instead.
  static PipeTransportWithMessagePump* const transport = [] {
    auto* created = new PipeTransportWithMessagePump;
    std::atexit(CloseOnce);
    return created;
  }();
  return *transport;
}

}  // namespace

PipeTransportWithMessagePump& PluginChannelTransport() {
  PipeTransportWithMessagePump& transport = Instance();
  g_pluginChannelTransport.store(&transport);
  return transport;
}

PipeTransportWithMessagePump* CurrentPluginChannelTransport() {
  return g_pluginChannelTransport.load();
}

void ClosePluginChannelTransport() {
  CloseOnce();
}

}  // namespace corvane
