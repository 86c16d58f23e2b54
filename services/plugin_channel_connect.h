// The broker's side of connecting to a plug-in channel it has just made.
// Windows only.
#pragma once

#include <cstdint>

#include "win/scoped_handle.h"

namespace corvane {

// A plug-in that keeps its fresh channel from being connected (another
// client took it, or it was disconnected) must not hold up the broker pipe
// for longer than this.
inline constexpr uint32_t kPluginChannelConnectBudgetMs = 5000;

// Connects to the pipe `name`, which exists when the call begins, as its
// client, retrying while it is busy, for at most `budgetMs`. Empty at once
// when the pipe is gone, on a hard error, or when the time is up.
UniqueHandle ConnectPluginChannelClient(const wchar_t* name, uint32_t budgetMs);

}  // namespace corvane
