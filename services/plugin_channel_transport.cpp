#include "services/plugin_channel_transport.h"

#include <winternl.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <utility>

#include "win/system_libraries.h"

namespace corvane {

namespace {

using EarlierChannels = std::array<UniqueHandle, kMaxPluginChannels - 1>;

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

// Made on first use and touched by the channel thread only, so never
// destroyed either: the exit routines may run while that thread is still
// inside a request. The channel thread closes them at its end; if the
// process ends first, the system does.
EarlierChannels* g_earlierChannels = nullptr;

EarlierChannels& Earlier() {
  if (g_earlierChannels == nullptr) g_earlierChannels = new EarlierChannels;
  return *g_earlierChannels;
}

using QueryInformationFile = LONG(NTAPI*)(HANDLE, IO_STATUS_BLOCK*, void*, ULONG,
                                          FILE_INFORMATION_CLASS);
constexpr ULONG kPipeDisconnected = 1;
constexpr ULONG kPipeClosing = 4;
// What the state query answers instead of a state once the plug-in end has
// been disconnected (Wine does so), broken or is closing.
constexpr LONG kStatusPipeDisconnected = static_cast<LONG>(0xC00000B0);
constexpr LONG kStatusPipeClosing = static_cast<LONG>(0xC00000B1);
constexpr LONG kStatusPipeBroken = static_cast<LONG>(0xC000014B);

// A channel whose plug-in end has been closed or disconnected is of no more
// use to anyone. The pipe's state tells, also while bytes the plug-in wrote
// are still unread (a peek would still succeed then). Any other doubt: alive.
bool Gone(HANDLE client) {
  static const auto query = reinterpret_cast<QueryInformationFile>(
      syslib::FindSystemFunction(L"ntdll.dll", "NtQueryInformationFile"));
  if (query == nullptr) return false;
  IO_STATUS_BLOCK io{};
  FILE_PIPE_LOCAL_INFORMATION info{};
  const LONG status = query(client, &io, &info, sizeof info, FilePipeLocalInformation);
  if (status == kStatusPipeDisconnected || status == kStatusPipeClosing ||
      status == kStatusPipeBroken) {
    return true;
  }
  if (status < 0) return false;
  return info.NamedPipeState == kPipeDisconnected || info.NamedPipeState == kPipeClosing;
}

size_t Held() {
  size_t held = 0;
  for (const UniqueHandle& client : Earlier()) {
    if (client) ++held;
  }
  const PipeTransportWithMessagePump* transport = g_pluginChannelTransport.load();
  if (transport != nullptr && transport->handle() != INVALID_HANDLE_VALUE) ++held;
  return held;
}

}  // namespace

PipeTransportWithMessagePump& PluginChannelTransport() {
  PipeTransportWithMessagePump& transport = Instance();
  g_pluginChannelTransport.store(&transport);
  return transport;
}

bool PluginChannelPlaceFree() {
  if (Held() < kMaxPluginChannels) return true;
  for (UniqueHandle& client : Earlier()) {
    if (client && Gone(client.get())) client.Reset();
  }
  PipeTransportWithMessagePump* transport = g_pluginChannelTransport.load();
  if (transport != nullptr && transport->handle() != INVALID_HANDLE_VALUE &&
      Gone(transport->handle())) {
    transport->Close();
  }
  return Held() < kMaxPluginChannels;
}

void AttachPluginChannel(UniqueHandle client) {
  PipeTransportWithMessagePump& transport = PluginChannelTransport();
  UniqueHandle previous = transport.TakeHandle();
  if (previous) {
    // With fewer than the maximum held, the transport's channel and the
    // earlier ones leave at least one place of the store empty.
    for (UniqueHandle& place : Earlier()) {
      if (!place) {
        place = std::move(previous);
        break;
      }
    }
  }
  transport.Attach(client ? client.Release() : INVALID_HANDLE_VALUE);
}

void ClosePluginChannelTransport() {
  if (g_earlierChannels != nullptr) {
    for (UniqueHandle& client : *g_earlierChannels) client.Reset();
  }
  CloseOnce();
}

}  // namespace corvane
