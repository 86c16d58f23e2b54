// The broker's ends of the plug-in channels it has connected. Nothing reads
// or writes them; they only keep the channels connected, and close with the
// store. Windows only.
#pragma once

#include <array>
#include <cstddef>

#include "policy/grants.h"  // kMaxPluginChannels
#include "win/scoped_handle.h"

namespace corvane {

class PluginChannels {
 public:
  // True while fewer than kMaxPluginChannels channels are held. When all
  // places are taken, first lets go of the channels whose plug-in end is gone.
  bool PlaceFree();

  // Keeps `client` (nothing when connecting failed). Call only after
  // PlaceFree has answered true.
  void Keep(UniqueHandle client);

 private:
  size_t Held() const;

  std::array<UniqueHandle, kMaxPluginChannels> held_;
};

}  // namespace corvane
