#include "ipc/encoder.h"

#include <algorithm>
#include <cstring>

#include "protocol/wire.h"

namespace ipc {

void Encoder::Begin(int32_t n) {
  const auto count = static_cast<size_t>(n < 0 ? 0 : n);
  KeepText(kept, frameInText_);
  textDataWords_ = 0;
  words.clear();
  words.reserve(5 * count);
  words.assign(count + 5, 0);
  words[0] = corvane::wire::kHeaderMagic;
  headerIndex = 0;
  PutHeaderWord(0);
  PutHeaderWord(count);
  PutHeaderWord(0);
}

void Encoder::PutHeaderWord(uint64_t word) {
  ++headerIndex;
  words[static_cast<size_t>(headerIndex)] = word;
}

void Encoder::AppendBytes(const void* data, size_t size) {
  const size_t at = words.size();
  const size_t end = at + (size + 7) / 8;
  // Room for one word more (the trailer, or the next length word): a large
  // text would otherwise be copied once more when the trailer is appended.
  if (words.capacity() < end + 1) words.reserve(std::max(2 * words.capacity(), end + 1));
  words.resize(end, 0);
  if (size != 0) std::memcpy(words.data() + at, data, size);  // little-endian host
}

bool Encoder::AddParam(MsgParam& param) {
  const int32_t tag = param.type;
  if (tag >= kInt32A && tag <= kNullBytes) {
    PutHeaderWord(static_cast<uint64_t>(tag));
    words.push_back(param.value);
    return true;
  }
  if (tag == kText8Terminated || tag == kText8 || tag == kBytes) {
    PutHeaderWord(corvane::wire::kText8Class + static_cast<uint64_t>(tag));
    words.push_back(param.text8.size());
    AppendBytes(param.text8.data(), param.text8.size());
    return true;
  }
  if (tag == kText16Terminated || tag == kText16) {
    PutHeaderWord(corvane::wire::kText16TagWord + static_cast<uint64_t>(tag));
    words.push_back(param.text16.size());
    AppendBytes(param.text16.data(), param.text16.size() * 2);
    return true;
  }
  return false;
}

bool Encoder::AddLastText16InPlace(MsgParam& param) {
  const int32_t tag = param.type;
  if (tag != kText16Terminated && tag != kText16) return false;
  std::u16string& text = param.text16;
  const size_t units = text.size();
  const size_t dataWords = (units * 2 + 7) / 8;
  // Everything before the text's data: the words so far and its length word.
  const size_t prefixWords = words.size() + 1;
  const size_t frameUnits = (prefixWords + dataWords + 1) * 4;
  if (text.capacity() < frameUnits) return false;
  PutHeaderWord(corvane::wire::kText16TagWord + static_cast<uint64_t>(tag));
  words.push_back(units);
  // Within capacity: no reallocation, and the new units (the padding and the
  // trailer among them) are zero.
  text.resize(frameUnits);
  if (units != 0) std::memmove(text.data() + prefixWords * 4, text.data(), units * 2);
  frameInText_ = std::move(text);
  text.clear();
  textDataWords_ = dataWords;
  return true;
}

void Encoder::Finish(int32_t msgId) {
  words[1] = static_cast<uint64_t>(static_cast<int64_t>(msgId));
  PutHeaderWord(corvane::wire::kSeparator);
  if (frameInText_.empty()) {
    words.push_back(corvane::wire::kTrailerMagic);
    words[3] = words.size();
    return;
  }
  words[3] = words.size() + textDataWords_ + 1;
  char16_t* frame = frameInText_.data();
  std::memcpy(frame, words.data(), words.size() * sizeof(uint64_t));  // little-endian host
  const uint64_t trailer = corvane::wire::kTrailerMagic;
  std::memcpy(frame + frameInText_.size() - 4, &trailer, sizeof trailer);
}

const void* Encoder::data() const {
  return frameInText_.empty() ? static_cast<const void*>(words.data())
                              : static_cast<const void*>(frameInText_.data());
}

size_t Encoder::byteSize() const {
  return frameInText_.empty() ? words.size() * sizeof(uint64_t) : frameInText_.size() * 2;
}

void Encoder::Release(size_t keepWords) {
  KeepText(kept, frameInText_);
  textDataWords_ = 0;
  if (words.capacity() > keepWords) std::vector<uint64_t>().swap(words);
}

}  // namespace ipc
