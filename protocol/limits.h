// The bounds of the protocol that both ends may check before sending.
#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane {

// The largest file that a read returns (it bounds the reply's size).
inline constexpr int64_t kMaxFileReadBytes = 4 * 1024 * 1024;

// The most data one registry write stores: ample for settings, which is what
// the registry is for. A larger write fails before anything is created.
inline constexpr size_t kMaxValueDataBytes = 1024 * 1024;

// The registry takes a key text of at most this many units whole; a longer
// one is cut, and the cut text names another key.
inline constexpr size_t kMaxRegistryKeyText = 32766;
// The longest name of one key, and of one value.
inline constexpr size_t kMaxRegistryKeyName = 255;
inline constexpr size_t kMaxRegistryValueName = 16383;

// The longest target, in UTF-16 units, that may reach the shell. Wine's shell
// crashes on targets of about 1,000 units (997 was the shortest seen), and
// with a 255-unit association command it cuts the argument of targets from
// 772 units on; the figure keeps clear of both and still admits every
// 260-unit document path and web addresses well beyond 512 units.
inline constexpr size_t kMaxShellTargetLength = 720;

// The most plug-in channels the broker holds at once.
inline constexpr size_t kMaxPluginChannels = 16;

}  // namespace corvane
