#include "plugin/client/frame_reader.h"

#include <utility>

#include "ipc/decoder.h"

namespace corvane::client {

// The decoder drops a frame's bytes as it completes it. A caller that wants
// them asks in Next; from then until that frame is complete, every byte is
// also kept in `copy`, which starts as what the decoder has buffered (always
// from the start of the pending frame). Other callers pay nothing.
struct FrameReader::State {
  ipc::MsgParamList list;
  ipc::Decoder decoder{&list};
  bool copying = false;
  std::vector<uint8_t> copy;

  void StopCopying() {
    copying = false;
    std::vector<uint8_t>().swap(copy);
  }
};

FrameReader::FrameReader() : state_(std::make_unique<State>()) {}
FrameReader::~FrameReader() = default;
FrameReader::FrameReader(FrameReader&&) noexcept = default;
FrameReader& FrameReader::operator=(FrameReader&&) noexcept = default;

void FrameReader::Append(const uint8_t* data, size_t size) {
  state_->decoder.Append(data, size);
  if (state_->copying) state_->copy.insert(state_->copy.end(), data, data + size);
}

bool FrameReader::HasBufferedBytes() const {
  return !state_->decoder.buffered().empty();
}

FrameReader::Step FrameReader::Next(Message& out, std::vector<uint8_t>* frame) {
  ipc::Decoder& decoder = state_->decoder;
  ipc::MsgParamList& list = state_->list;
  if (frame != nullptr && !state_->copying) {
    state_->copy = decoder.buffered();
    state_->copying = true;
  }
  const ipc::DecodeResult result = decoder.Decode();
  if (result == ipc::kNeedMore) return Step::NeedMore;
  if (result == ipc::kComplete && state_->copying) {
    // What the decoder consumed is the frame; the rest stays buffered.
    if (frame != nullptr) {
      const size_t used = state_->copy.size() - decoder.buffered().size();
      state_->copy.resize(used);
      frame->swap(state_->copy);
    }
    state_->StopCopying();
  }
  if (result != ipc::kComplete) {
    state_->StopCopying();
    decoder.Discard();
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
