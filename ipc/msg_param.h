// Typed message parameters as they travel in a frame and as a decoded
// message holds them. Platform-independent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "protocol/messages.h"

namespace ipc {

// Wire tags, declared with the messages that carry them.
using ParamType = corvane::protocol::ParamType;
using enum corvane::protocol::ParamType;

// A null marker decodes to all ones in the low 32 bits.
inline constexpr uint64_t kNullMarkerValue = 0xFFFFFFFFull;

// What a buffer that serves message after message keeps between them:
// enough for every message but file contents, whose storage is given back
// once served so that one large message does not stay resident.
inline constexpr size_t kKeptStorageBytes = 64 * 1024;

struct MsgParam {
  uint64_t value = 0;
  std::string text8;
  std::u16string text16;
  int32_t type = 0;

  static MsgParam Scalar(int32_t tag, uint64_t v) {
    MsgParam p;
    p.value = v;
    p.type = tag;
    return p;
  }
  static MsgParam Text16(std::u16string text) {
    MsgParam p;
    p.text16 = std::move(text);
    p.type = kText16;
    return p;
  }
  static MsgParam Text8(std::string text, int32_t tag = kText8) {
    MsgParam p;
    p.text8 = std::move(text);
    p.type = tag;
    return p;
  }
  // The low 32 bits of the scalar slot, as every 32-bit reader takes them.
  uint32_t Low32() const { return static_cast<uint32_t>(value); }
};

// A decoded message: at most 20 parameters arrive in a well-formed frame; the
// 21st slot only absorbs a push that a malformed frame might attempt.
class KeptStorage;

class MsgParamList {
 public:
  static constexpr int kSlots = 21;

  uint64_t count = 0;
  MsgParam params[kSlots];
  int32_t msgId = -1;
  // Where a large text comes from and goes back to once served; null keeps
  // none.
  KeptStorage* kept = nullptr;

  bool Push(MsgParam&& param);
  void Clear();

  // The decoder's entries, one per wire class; false for a tag the class does
  // not know. A refused push (list full) is not an error.
  bool AddScalar(uint64_t word, int32_t tag);
  bool AddText8(std::string_view bytes, int32_t tag);
  bool AddText16(std::u16string_view units, int32_t tag);
  // As AddText16, from `units` little-endian code units stored as bytes.
  bool AddText16Bytes(const uint8_t* data, size_t units, int32_t tag);

 private:
  // The next slot, emptied and tagged; null when the list is full.
  MsgParam* NextTextSlot(int32_t tag);
};

}  // namespace ipc
