#include "ipc/decoder.h"

#include <cstring>
#include <utility>

#include "protocol/wire.h"

namespace ipc {

uint64_t Decoder::WordAt(size_t offset) const {
  uint64_t w;
  std::memcpy(&w, buffer_.data() + offset, sizeof w);  // little-endian host
  return w;
}

uint32_t Decoder::NextLow32() {
  const auto w = static_cast<uint32_t>(WordAt(static_cast<size_t>(cursor_)));
  cursor_ += 8;
  return w;
}

void Decoder::MakeRoom(size_t bytes) {
  if (buffer_.capacity() >= bytes) return;
  // Only storage an earlier large frame left: a header alone never makes the
  // decoder reserve what it announces (up to 64 MiB); without such storage
  // the buffer grows as the bytes come.
  std::vector<uint8_t> room = TakeBytes(kept_, bytes);
  if (room.capacity() < bytes) return;
  room.assign(buffer_.begin(), buffer_.end());
  buffer_.swap(room);
}

void Decoder::Reset() {
  if (buffer_.capacity() > kKeptStorageBytes) {
    // Only the bytes that follow the frame stay; the large storage is kept
    // for the next large frame, or freed.
    std::vector<uint8_t> large;
    large.swap(buffer_);
    buffer_.assign(large.begin(), large.end());
    KeepBytes(kept_, large);
  }
  state_ = kReadHeader;
  paramCount_ = -1;
  wordsLeft_ = -1;
  cursor_ = 0;
  lastResult_ = 0;
  tags_.clear();
}

DecodeResult Decoder::Decode() {
  DecodeResult r = kContinue;
  while (r == kContinue) {
    switch (state_) {
      case kReadHeader:
        r = StepHeader();
        break;
      case kReadTags:
        r = StepTags();
        break;
      case kReadParams:
        r = StepParams();
        break;
      case kReadTrailer:
        r = StepTrailer();
        break;
      default:
        r = kBadFrame;
        break;
    }
  }
  lastResult_ = r;
  return r;
}

DecodeResult Decoder::StepHeader() {
  if (Available() < 32) return kNeedMore;
  if (NextLow32() != corvane::wire::kHeaderMagic) return kBadFrame;
  const auto id = static_cast<int32_t>(NextLow32());
  if (id < 0) return kBadFrame;
  const auto n = static_cast<int32_t>(NextLow32());
  if (n < 1 || n > corvane::wire::kMaxParamsInHeader) return kBadFrame;
  const auto total = static_cast<int32_t>(NextLow32());
  if (total < corvane::wire::kMinWords || total > corvane::wire::kMaxWords) return kBadFrame;
  // Stored before the count test so that a frame refused for too many
  // parameters still names its message.
  sink_->msgId = id;
  if (n > corvane::wire::kMaxParams) return kBadFrame;
  // The whole frame is buffered before its parameters are read: room for it
  // at once when kept storage has it, rather than growing step by step as its
  // reads come in.
  MakeRoom(static_cast<size_t>(cursor_) + (static_cast<size_t>(total) - 4) * 8);
  paramCount_ = n;
  wordsLeft_ = total - 4;
  state_ = kReadTags;
  return MoreOrContinue();
}

DecodeResult Decoder::StepTags() {
  const auto n = static_cast<size_t>(paramCount_);
  if (Available() < (n + 1) * 8) return kNeedMore;
  for (size_t i = 0; i < n; ++i) tags_.push_back(NextLow32());
  if (NextLow32() != corvane::wire::kSeparator) return kBadFrame;
  wordsLeft_ -= paramCount_ + 1;
  if (wordsLeft_ < static_cast<int32_t>(tags_.size())) return kBadFrame;
  state_ = kReadParams;
  return MoreOrContinue();
}

DecodeResult Decoder::StepParams() {
  if (static_cast<int64_t>(Available()) < static_cast<int64_t>(wordsLeft_) * 8) return kNeedMore;
  for (const uint32_t t : tags_) {
    // The whole declared frame was buffered before this loop began, so only a
    // string longer than its frame can use up the bytes here. Waiting for more
    // would restart the loop and decode the earlier parameters a second time.
    if (Available() < 8) return kBadFrame;
    const size_t at = static_cast<size_t>(cursor_);
    if (t & corvane::wire::kText8Class) {
      const auto length = static_cast<int32_t>(NextLow32());
      if (length < 0) return kBadFrame;  // no string can have a negative size
      const uint64_t dataWords = (static_cast<uint64_t>(length) + 7) / 8;
      if (Available() >= dataWords * 8) {
        const char* data = reinterpret_cast<const char*>(buffer_.data() + at + 8);
        cursor_ += static_cast<int32_t>(dataWords * 8);
        sink_->AddText8(std::string_view(data, static_cast<size_t>(length)),
                        static_cast<int32_t>(t & ~corvane::wire::kText8Class));
      }
    } else if (t & corvane::wire::kText16Class) {
      const auto units = static_cast<int32_t>(NextLow32());
      if (units < 0) return kBadFrame;
      const uint64_t dataWords = (2 * static_cast<uint64_t>(units) + 7) / 8;
      if (Available() >= dataWords * 8) {
        const uint8_t* data = buffer_.data() + at + 8;
        cursor_ += static_cast<int32_t>(dataWords * 8);
        sink_->AddText16Bytes(data, static_cast<size_t>(units),
                              static_cast<int32_t>(t & ~corvane::wire::kText16Class));
      }
    } else {
      if (!sink_->AddScalar(WordAt(at), static_cast<int32_t>(t))) return kBadFrame;
      cursor_ += 8;
    }
  }
  tags_.clear();
  state_ = kReadTrailer;
  return MoreOrContinue();
}

DecodeResult Decoder::StepTrailer() {
  if (Available() < 8) return kNeedMore;
  if (NextLow32() != corvane::wire::kTrailerMagic) return kBadFrame;
  buffer_.erase(buffer_.begin(), buffer_.begin() + cursor_);
  cursor_ = 0;
  state_ = kDone;
  return kComplete;
}

}  // namespace ipc
