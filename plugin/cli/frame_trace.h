// How --trace shows a frame that went to or came from the broker: its bytes
// in hexadecimal, one word a line, then the message decoded (id, and each
// parameter's tag and value). Portable; whole lines in UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane::cli {

enum class TraceDirection { Sent, Received };

// Long frames show their first words only, and long texts their start and
// their length, so that a 4 MiB file does not flood the terminal.
std::string FormatFrameTrace(TraceDirection direction, const uint8_t* bytes, size_t size);

}  // namespace corvane::cli
