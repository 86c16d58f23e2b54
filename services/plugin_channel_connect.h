// The broker's side of connecting to a plug-in channel it has just made.
// Windows only.
#pragma once

#include <windows.h>

#include <cstdint>

#include "win/scoped_handle.h"

namespace corvane {

// A plug-in that closes its end before the broker connects must not hold
// up the broker pipe for longer than this.
inline constexpr uint32_t kPluginChannelConnectBudgetMs = 5000;

// Connects to the pipe `name` as its client, retrying while it is missing or
// busy, for at most `budgetMs`. Empty on a hard error or when the time is up.
UniqueHandle ConnectPluginChannelClient(const wchar_t* name, uint32_t budgetMs);

}  // namespace corvane
