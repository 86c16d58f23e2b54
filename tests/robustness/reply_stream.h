// What the broker sent back in a session. Whatever the input, every byte
// that the broker writes must belong to a well-formed reply 7 (status and
// text) or reply 4 (error code and handle). Platform-independent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvane::test {

struct ReplyScan {
  size_t replies = 0;      // whole, well-formed replies
  size_t pongs = 0;        // of them: status 0 with the text "pong"
  bool malformed = false;  // bytes that are no such reply
};

ReplyScan ScanReplies(const std::vector<uint8_t>& bytes);

}  // namespace corvane::test
