// Incremental decoder of frames. The owner appends received bytes and calls
// Decode until it reports Complete or BadFrame.
//
// TRUST BOUNDARY. Every byte appended here comes from the pipe, written by a
// plug-in that may be compromised: every byte is hostile. What is checked
// where:
//   here            the frame: magic words, message id >= 0, 1..20
//                   parameters, total size within 64 MiB, the separator,
//                   every text within its frame, known tags only, the
//                   trailer (protocol/wire.h draws the format)
//   ipc/channel.h   a service for the id; at most 20 parameters
//   ipc/msg_in.h    the count and tags of the message's declared shape
//                   (protocol/messages.h), before any service runs
//   requests/       the access policy on every path, key and target, then
//                   the object actually opened (dispatch_operation.cpp)
// Nothing past this decoder sees bytes; it sees typed, bounded values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ipc/kept_storage.h"
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
  // A large frame is received in a block `kept` holds, and its block goes
  // back there once the frame is served; null keeps none.
  explicit Decoder(MsgParamList* sink, KeptStorage* kept = nullptr) : sink_(sink), kept_(kept) {}

  DecodeResult Decode();
  // Prepares for the next frame; unconsumed bytes stay buffered, and the
  // storage a large frame needed goes to the kept storage (freed without).
  void Reset();
  // Drops every buffered byte (after a bad frame nothing that follows can
  // be trusted to start a frame).
  void Discard() { buffer_.clear(); }

  void Append(const uint8_t* data, size_t size) {
    buffer_.insert(buffer_.end(), data, data + size);
  }
  MsgParamList* sink() const { return sink_; }

  // The bytes received and not yet consumed by a complete frame.
  const std::vector<uint8_t>& buffered() const { return buffer_; }
  DecodeState state() const { return state_; }
  // What the last Decode answered; 0 before the first.
  int32_t lastResult() const { return lastResult_; }
  // The offset in buffered() where decoding resumes.
  int32_t cursor() const { return cursor_; }

 private:
  DecodeResult StepHeader();
  DecodeResult StepTags();
  DecodeResult StepParams();
  DecodeResult StepTrailer();

  size_t Available() const { return buffer_.size() - static_cast<size_t>(cursor_); }
  uint64_t WordAt(size_t offset) const;
  uint32_t NextLow32();
  DecodeResult MoreOrContinue() const { return Available() < 8 ? kNeedMore : kContinue; }
  // Capacity for `bytes` buffered bytes when kept storage has a block that
  // large; otherwise the buffer is left to grow.
  void MakeRoom(size_t bytes);

  MsgParamList* sink_;
  KeptStorage* kept_;
  std::vector<uint8_t> buffer_;
  DecodeState state_ = kReadHeader;
  int32_t paramCount_ = -1;
  int32_t wordsLeft_ = -1;  // of the frame, after the words read so far
  int32_t cursor_ = 0;
  int32_t lastResult_ = 0;
  std::vector<uint32_t> tags_;
};

}  // namespace ipc
