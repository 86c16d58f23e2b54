#include "protocol/hex_text.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace corvane {

namespace {

constexpr uint8_t kNotHex = 0xFF;

// Value of each ASCII unit as a hex digit, kNotHex for every other unit and
// at index 128, which stands for every unit beyond ASCII. A table keeps the
// 2 MiB contents of a file write to one lookup per unit.
constexpr std::array<uint8_t, 129> MakeDigitValues() {
  std::array<uint8_t, 129> values{};
  for (auto& v : values) v = kNotHex;
  for (int i = 0; i < 10; ++i) values[static_cast<size_t>('0' + i)] = static_cast<uint8_t>(i);
  for (int i = 0; i < 6; ++i) {
    values[static_cast<size_t>('a' + i)] = static_cast<uint8_t>(10 + i);
    values[static_cast<size_t>('A' + i)] = static_cast<uint8_t>(10 + i);
  }
  return values;
}
constexpr std::array<uint8_t, 129> kDigitValues = MakeDigitValues();

// The two digits of every byte value, high nibble first.
constexpr std::array<std::array<char16_t, 2>, 256> MakeDigitPairs() {
  std::array<std::array<char16_t, 2>, 256> pairs{};
  for (size_t b = 0; b < 256; ++b)
    pairs[b] = {static_cast<char16_t>(HexDigit(static_cast<unsigned>(b >> 4))),
                static_cast<char16_t>(HexDigit(static_cast<unsigned>(b)))};
  return pairs;
}
constexpr std::array<std::array<char16_t, 2>, 256> kDigitPairs = MakeDigitPairs();

// Without a branch: the loop over a large text runs at memory speed.
uint8_t DigitValue(char16_t c) {
  return kDigitValues[std::min<size_t>(c, 128)];
}

}  // namespace

std::u16string HexText::Encode(const std::vector<uint8_t>& bytes, size_t roomAfter) {
  // The contents of a file read go out as a reply: the room reserved beyond
  // the text lets the reply frame be built in this storage instead of a
  // second one as large. Appending from a small buffer writes each unit of
  // the text once; sizing the text first would also fill it with zeros.
  std::u16string text;
  text.reserve(bytes.size() * 2 + roomAfter);
  constexpr size_t kChunk = 2048;
  char16_t units[2 * kChunk];
  for (size_t at = 0; at < bytes.size(); at += kChunk) {
    const size_t n = std::min(kChunk, bytes.size() - at);
    for (size_t i = 0; i < n; ++i) std::memcpy(units + 2 * i, kDigitPairs[bytes[at + i]].data(), 4);
    text.append(units, 2 * n);
  }
  return text;
}

uint8_t* HexText::PlaceBytes(std::u16string& text, size_t size, size_t roomAfter) {
  if (text.capacity() < 2 * size + roomAfter) {
    std::u16string fresh;
    fresh.reserve(2 * size + roomAfter);
    text.swap(fresh);
  }
  // Storage reused as it stands: shrinking writes nothing and growing writes
  // zeros only past what it held, where emptying first would zero 16 MiB for
  // a 4 MiB read. EncodeInPlace writes every unit, so nothing held before
  // stays in the text once the bytes are all in place.
  text.resize(2 * size);
  // The last quarter of the text's bytes.
  return reinterpret_cast<uint8_t*>(text.data()) + 3 * size;
}

void HexText::EncodeInPlace(std::u16string& text) {
  const size_t size = text.size() / 2;
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text.data()) + 3 * size;
  // Each chunk is copied out before its digits are written. The digits of
  // the first `end` bytes fill the text's first 4 * end bytes, which stay
  // below the bytes not yet copied (from 3 * size + end on) as end <= size.
  constexpr size_t kChunk = 2048;
  uint8_t chunk[kChunk];
  for (size_t at = 0; at < size; at += kChunk) {
    const size_t n = std::min(kChunk, size - at);
    std::memcpy(chunk, bytes + at, n);
    char16_t* units = text.data() + 2 * at;
    for (size_t i = 0; i < n; ++i) std::memcpy(units + 2 * i, kDigitPairs[chunk[i]].data(), 4);
  }
}

namespace {

// Decodes a chunk at a time and hands each chunk to `put(chunk, n, at)`
// (`at`: the index of its first byte) once all its digits were read; false
// at the first chunk with a non-digit.
template <class Put>
bool DecodeChunks(std::u16string_view text, Put&& put) {
  if (text.size() % 2 != 0) return false;
  const size_t size = text.size() / 2;
  constexpr size_t kChunk = 4096;
  uint8_t chunk[kChunk];
  for (size_t at = 0; at < size; at += kChunk) {
    const size_t n = std::min(kChunk, size - at);
    const char16_t* units = text.data() + 2 * at;
    unsigned seen = 0;  // every digit value of the chunk or'ed: above 15 for a non-digit
    for (size_t i = 0; i < n; ++i) {
      const uint8_t high = DigitValue(units[2 * i]);
      const uint8_t low = DigitValue(units[2 * i + 1]);
      seen |= high | low;
      chunk[i] = static_cast<uint8_t>((high << 4) | low);
    }
    if (seen > 0xF) return false;
    put(chunk, n, at);
  }
  return true;
}

}  // namespace

bool HexText::Decode(std::u16string_view text, std::vector<uint8_t>& bytes) {
  bytes.clear();
  bytes.reserve(text.size() / 2);
  // Appended a chunk at a time: each byte is written once, where sizing the
  // bytes first would also fill them with zeros.
  const bool decoded = DecodeChunks(text, [&bytes](const uint8_t* chunk, size_t n, size_t) {
    bytes.insert(bytes.end(), chunk, chunk + n);
  });
  if (!decoded) bytes.clear();
  return decoded;
}

std::optional<std::span<const uint8_t>> HexText::DecodeInPlace(std::u16string& text) {
  // Byte `at` lies at byte offset `at` of the storage, its digits at 4 * at:
  // a chunk is written only after its digits were read, and below the
  // digits of every chunk after it.
  auto* bytes = reinterpret_cast<uint8_t*>(text.data());
  const bool decoded = DecodeChunks(text, [bytes](const uint8_t* chunk, size_t n, size_t at) {
    std::memcpy(bytes + at, chunk, n);
  });
  if (!decoded) return std::nullopt;
  return std::span<const uint8_t>(bytes, text.size() / 2);
}

}  // namespace corvane
