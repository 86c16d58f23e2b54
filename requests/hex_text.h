// The text form of file contents: two lower-case hexadecimal digits per
// byte, high nibble first.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

struct HexText {
  // With room reserved beyond the text for the reply frame to be built in
  // the same storage (ipc::kFrameRoomUnits).
  static std::u16string Encode(const std::vector<uint8_t>& bytes);
  // Accepts either case. An odd length or any other character rejects the
  // whole text and leaves `bytes` empty.
  static bool Decode(std::u16string_view text, std::vector<uint8_t>& bytes);
};

}  // namespace corvane
