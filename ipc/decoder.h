// Incremental decoder of frames. The owner appends received bytes to
// `buffer` and calls Decode until it reports Complete or BadFrame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ipc/msg_param.h"

namespace ipc {

enum DecodeResult : int32_t {
  kContinue = 1,  // internal: the next step may run
  kNeedMore = 2,
  kComplete = 3,
  kBadFrame = 4,
};

// The part of the frame the decoder reads next.
enum DecodeState : int32_t {
  kReadHeader = 0,
  kReadTags = 1,
  kReadParams = 2,
  kReadTrailer = 3,
  kDone = 4,
};

class Decoder {
 public:
  explicit Decoder(MsgParamList* sink) : sink_(sink) {}

  std::vector<uint8_t> buffer;
  DecodeState state = kReadHeader;
  int32_t paramCount = -1;
  int32_t wordsLeft = -1;
  int32_t cursor = 0;
  int32_t lastResult = 0;

  DecodeResult Decode();
  // Prepares for the next frame; unconsumed bytes stay in `buffer`, whose
  // storage is given back if a large frame grew it.
  void Reset();

  void Append(const uint8_t* data, size_t size) { buffer.insert(buffer.end(), data, data + size); }
  MsgParamList* sink() const { return sink_; }

 private:
  DecodeResult StepHeader();
  DecodeResult StepTags();
  DecodeResult StepParams();
  DecodeResult StepTrailer();

  size_t Available() const { return buffer.size() - static_cast<size_t>(cursor); }
  uint64_t WordAt(size_t offset) const;
  uint32_t NextLow32();
  DecodeResult MoreOrContinue() const { return Available() < 8 ? kNeedMore : kContinue; }

  MsgParamList* sink_;
  std::vector<uint32_t> tags_;
};

}  // namespace ipc
