// The frame format that both ends of the pipe write and read.
//
// A frame is a run of 64-bit little-endian words. The decoder reads only the
// low 32 bits of every word except a scalar's value word; the encoder writes
// the high half as zero, except in a 16-bit text's tag word (all ones).
//
//   word           contents
//   0              kHeaderMagic "KROM"
//   1              message id (0 or more)
//   2              n: parameter count, 1..20 (a header with up to 100 still
//                  names its message before the frame is refused)
//   3              total words of the frame, this header and the trailer
//                  included, kMinWords..kMaxWords
//   4 .. 3+n       one tag word per parameter, in parameter order:
//                    scalar 1..7, null marker 8..10   the tag itself
//                    8-bit text or bytes 22, 23, 26   kText8Class + tag
//                    16-bit text 24, 25               kText16TagWord + tag
//   4+n            kSeparator "MORK"
//   then, for each parameter in order:
//     scalar or null marker   one word: the value (a null marker's is
//                             ignored and decodes as all ones)
//     text                    one word: its length (bytes for 8-bit texts,
//                             code units for 16-bit ones), then the bytes,
//                             zero-padded to a whole word
//   last           kTrailerMagic "BANG"
//
// For example reply 7 with status 0 and the text u"pong" is 11 words (88 bytes):
//   KROM 7 2 11 | 2 FFFFFFFF80000019 | MORK | 0 | 4 "p\0o\0n\0g\0" | BANG
#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane::wire {

inline constexpr uint32_t kHeaderMagic = 0x4D4F524Bu;   // "KROM"
inline constexpr uint32_t kSeparator = 0x4B524F4Du;     // "MORK"
inline constexpr uint32_t kTrailerMagic = 0x474E4142u;  // "BANG"
inline constexpr uint32_t kText8Class = 0x40000000u;    // bit 30
inline constexpr uint32_t kText16Class = 0x80000000u;   // bit 31
inline constexpr uint64_t kText16TagWord = 0xFFFFFFFF80000000ull;

inline constexpr int32_t kMaxParams = 20;
inline constexpr int32_t kMaxParamsInHeader = 100;
inline constexpr int64_t kMinWords = 5;
inline constexpr int64_t kMaxWords = 0x800000;
inline constexpr size_t kMaxFrameBytes = static_cast<size_t>(kMaxWords) * 8;  // 64 MiB

}  // namespace corvane::wire
