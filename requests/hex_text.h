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
  // With room reserved beyond the text for the reply frame to be built in
  // the same storage (ipc::kFrameRoomUnits).
  static std::u16string Encode(const std::vector<uint8_t>& bytes);
  // For contents read straight into the storage of their text: empties
  // `text`, sizes it for the digits of `size` bytes (its storage reused when
  // large enough, else made with the room Encode reserves) and answers where
  // those bytes go. EncodeInPlace then turns them into their digits.
  static uint8_t* PlaceBytes(std::u16string& text, size_t size);
  static void EncodeInPlace(std::u16string& text);
  // Accepts either case. An odd length or any other character rejects the
  // whole text and leaves `bytes` empty.
  static bool Decode(std::u16string_view text, std::vector<uint8_t>& bytes);
};

}  // namespace corvane
