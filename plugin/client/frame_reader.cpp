#include "plugin/client/frame_reader.h"

#include <utility>

#include "ipc/decoder.h"

namespace corvane::client {

struct FrameReader::State {
  ipc::MsgParamList list;
  ipc::Decoder decoder{&list};
};

FrameReader::FrameReader() : state_(std::make_unique<State>()) {}
FrameReader::~FrameReader() = default;
FrameReader::FrameReader(FrameReader&&) noexcept = default;
FrameReader& FrameReader::operator=(FrameReader&&) noexcept = default;

void FrameReader::Append(const uint8_t* data, size_t size) {
  state_->decoder.Append(data, size);
}

bool FrameReader::HasBufferedBytes() const {
  return !state_->decoder.buffer.empty();
}

FrameReader::Step FrameReader::Next(Message& out) {
  ipc::Decoder& decoder = state_->decoder;
  ipc::MsgParamList& list = state_->list;
  const ipc::DecodeResult result = decoder.Decode();
  if (result == ipc::kNeedMore) return Step::NeedMore;
  if (result != ipc::kComplete) {
    decoder.buffer.clear();
    list.Clear();
    list.msgId = -1;
    decoder.Reset();
    return Step::BadFrame;
  }
  out.id = list.msgId;
  out.params.assign(list.params, list.params + list.count);
  list.Clear();
  list.msgId = -1;
  decoder.Reset();
  return Step::Message;
}

}  // namespace corvane::client
