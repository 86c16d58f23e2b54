// What the benchmarks feed the code they time: file contents that do not
// compress or repeat, and a frame handed to a decoder in the pieces the
// channel's reads deliver. Header-only, for the native and the Wine
// programs.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ipc/decoder.h"

namespace corvane::bench {

// `size` bytes of a linear congruential sequence started at `seed`.
inline std::vector<uint8_t> PseudoRandomBytes(size_t size, uint32_t seed) {
  std::vector<uint8_t> bytes(size);
  for (auto& b : bytes) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(seed >> 24);
  }
  return bytes;
}

// Appends `frame` to `decoder` `piece` bytes at a time, decoding after
// each, until it stops asking for more; what the last Decode answered.
inline ipc::DecodeResult DecodeInPieces(ipc::Decoder& decoder, const std::vector<uint8_t>& frame,
                                        size_t piece) {
  ipc::DecodeResult r = ipc::kNeedMore;
  for (size_t at = 0; at < frame.size() && r == ipc::kNeedMore; at += piece) {
    decoder.Append(frame.data() + at, std::min(piece, frame.size() - at));
    r = decoder.Decode();
  }
  return r;
}

// What the channel does once a message is served: the list and the decoder
// ready for the next frame.
inline void ReadyForNext(ipc::MsgParamList& list, ipc::Decoder& decoder) {
  list.Clear();
  list.msgId = -1;
  decoder.Reset();
}

}  // namespace corvane::bench
