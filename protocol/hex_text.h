// The text form of file contents: two lower-case hexadecimal digits per
// byte, high nibble first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// The digit of a nibble (0..15), lower case unless `upper`.
constexpr char HexDigit(unsigned nibble, bool upper = false) {
  return (upper ? "0123456789ABCDEF" : "0123456789abcdef")[nibble & 0xFu];
}

struct HexText {
  // With `roomAfter` units reserved beyond the text, so that a reply frame
  // can be built in the same storage (the broker passes ipc::kFrameRoomUnits).
  static std::u16string Encode(const std::vector<uint8_t>& bytes, size_t roomAfter = 0);
  // For contents read straight into the storage of their text: sizes `text`
  // for the digits of `size` bytes (its storage and contents reused when
  // large enough, else made with `roomAfter` units to spare) and answers
  // where those bytes go. Once all `size` bytes are there, EncodeInPlace
  // turns them into their digits, overwriting every unit.
  static uint8_t* PlaceBytes(std::u16string& text, size_t size, size_t roomAfter = 0);
  static void EncodeInPlace(std::u16string& text);
  // Accepts either case. An odd length or any other character rejects the
  // whole text and leaves `bytes` empty.
  static bool Decode(std::u16string_view text, std::vector<uint8_t>& bytes);
  // As Decode, into the text's own storage: the bytes are the first ones of
  // the storage, and the text is spent. Nothing on a rejected text.
  static std::optional<std::span<const uint8_t>> DecodeInPlace(std::u16string& text);
};

}  // namespace corvane
