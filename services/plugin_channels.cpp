#include "services/plugin_channels.h"

#include <winternl.h>

#include <utility>

#include "win/system_libraries.h"

namespace corvane {

namespace {

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

}  // namespace

size_t PluginChannels::Held() const {
  size_t held = 0;
  for (const UniqueHandle& client : held_) {
    if (client) ++held;
  }
  return held;
}

bool PluginChannels::PlaceFree() {
  if (Held() < held_.size()) return true;
  for (UniqueHandle& client : held_) {
    if (client && Gone(client.get())) client.Reset();
  }
  return Held() < held_.size();
}

void PluginChannels::Keep(UniqueHandle client) {
  if (!client) return;
  for (UniqueHandle& place : held_) {
    if (!place) {
      place = std::move(client);
      return;
    }
  }
}

}  // namespace corvane
