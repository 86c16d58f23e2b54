// Constants of the frame format shared by the encoder and the decoder.
#pragma once

#include <cstdint>

namespace ipc::wire {

inline constexpr uint32_t kHeaderMagic = 0x4D4F524Bu;  // "KROM"
inline constexpr uint32_t kSeparator = 0x4B524F4Du;    // "MORK"
inline constexpr uint32_t kTrailer = 0x474E4142u;      // "BANG"
inline constexpr uint32_t kText8Class = 0x40000000u;   // bit 30
inline constexpr uint32_t kText16Class = 0x80000000u;  // bit 31
inline constexpr uint64_t kText16TagWord = 0xFFFFFFFF80000000ull;

inline constexpr int32_t kMaxParams = 20;
inline constexpr int32_t kMaxParamsInHeader = 100;
inline constexpr int64_t kMinWords = 5;
inline constexpr int64_t kMaxWords = 0x800000;  // 64 MiB

}  // namespace ipc::wire
