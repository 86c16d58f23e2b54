// The frames the benchmark sends and the replies it checks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::bench {

std::vector<uint8_t> RequestFrame(uint32_t operation, int32_t hive, const std::u16string& path,
                                  const std::u16string& name, const std::u16string& data);
// Message 1 with a single zero: the broker consumes it without a reply.
std::vector<uint8_t> KeepAliveFrame();
// A reply 7 carrying `textUnits` code units, as a baseline server sends it.
std::vector<uint8_t> ReplyFrame(size_t textUnits);

// Decodes a reply 7; false if `frame` is not one.
bool ParseReply(const std::vector<uint8_t>& frame, int32_t& status, std::u16string& text);

}  // namespace corvane::bench
