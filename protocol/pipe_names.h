// Where the broker's pipes live: every pipe name starts with this prefix.
#pragma once

#include <string_view>

namespace corvane {

inline constexpr std::u16string_view kPipePrefix = u"\\\\.\\pipe\\";

}  // namespace corvane
