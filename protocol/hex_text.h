// The text form of file contents: two lower-case hexadecimal digits per
// byte, high nibble first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

struct HexText {
  // With `roomAfter` units reserved beyond the text, so that a reply frame
  // can be built in the same storage (the broker passes ipc::kFrameRoomUnits).
  static std::u16string Encode(const std::vector<uint8_t>& bytes, size_t roomAfter = 0);
  // Accepts either case. An odd length or any other character rejects the
  // whole text and leaves `bytes` empty.
  static bool Decode(std::u16string_view text, std::vector<uint8_t>& bytes);
};

}  // namespace corvane
