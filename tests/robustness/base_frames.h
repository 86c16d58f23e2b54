// The valid (and nearly valid) messages that hostile sessions start from:
// every kind of request, the keep-alive, unexpected ids and parameter shapes.
// Paths stay below keys and folders of this test, and no path names a type
// the shell would open. Platform-independent.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/frames.h"

namespace corvane::test {

using Bytes = std::vector<uint8_t>;

// `appDataCorvane`: the broker's file folder, "<roaming app data>\corvane".
std::vector<Bytes> BaseFrames(const std::u16string& appDataCorvane);

}  // namespace corvane::test
