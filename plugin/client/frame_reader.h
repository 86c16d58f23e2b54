// Cuts a byte stream into messages. Bytes that arrive behind a message stay
// for the next one, so replies written back to back are all read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "plugin/client/request_frames.h"

namespace corvane::client {

class FrameReader {
 public:
  enum class Step { NeedMore, Message, BadFrame };

  FrameReader();
  ~FrameReader();
  FrameReader(FrameReader&&) noexcept;
  FrameReader& operator=(FrameReader&&) noexcept;

  void Append(const uint8_t* data, size_t size);
  // Message: `out` holds the next message and, if `frame` is given, *frame
  // the bytes it was decoded from. BadFrame: the stream cannot be read any
  // further and everything buffered is dropped.
  Step Next(Message& out, std::vector<uint8_t>* frame = nullptr);
  bool HasBufferedBytes() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace corvane::client
