#include "ipc/msg_param.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "ipc/kept_storage.h"

static_assert(std::endian::native == std::endian::little,
              "frames are read in place as little-endian");

namespace ipc {

bool MsgParamList::Push(MsgParam&& param) {
  if (count >= kSlots) return false;
  MsgParam& slot = params[count];
  slot.value = param.value;
  slot.text8 = std::move(param.text8);
  slot.text16 = std::move(param.text16);
  slot.type = param.type;
  ++count;
  return true;
}

void MsgParamList::Clear() {
  // Reuses the slots' storage; only the texts of used slots need emptying.
  for (uint64_t i = 0; i < count; ++i) {
    params[i].text8.clear();
    if (params[i].text8.capacity() > kKeptStorageBytes) std::string().swap(params[i].text8);
    // A large text goes to kept storage as it stands; the next large text
    // overwrites it.
    if (params[i].text16.capacity() * 2 > kKeptStorageBytes)
      KeepText(kept, params[i].text16);
    else
      params[i].text16.clear();
    params[i].value = 0;
    params[i].type = 0;
  }
  count = 0;
}

bool MsgParamList::AddScalar(uint64_t word, int32_t tag) {
  MsgParam p;
  p.type = tag;
  switch (tag) {
    case kInt32A:
    case kInt32:
    case kInt32B:
    case kUint32:
      p.value = word & 0xFFFFFFFFull;
      break;
    case kByte:
      p.value = word & 0xFFull;
      break;
    case kInt16:
      p.value = word & 0xFFFFull;
      break;
    case kInt64:
      p.value = word;
      break;
    case kNullText8:
    case kNullText16:
    case kNullBytes:
      p.value = kNullMarkerValue;
      break;
    default:
      return false;
  }
  Push(std::move(p));
  return true;
}

MsgParam* MsgParamList::NextTextSlot(int32_t tag) {
  if (count >= kSlots) return nullptr;
  MsgParam& slot = params[count++];
  slot.value = 0;
  slot.type = tag;
  slot.text8.clear();
  slot.text16.clear();
  return &slot;
}

namespace {

// A terminated text ends at its first NUL.
template <class View>
View Terminated(View text, bool terminated) {
  return terminated ? text.substr(0, text.find(typename View::value_type{})) : text;
}

}  // namespace

bool MsgParamList::AddText8(std::string_view bytes, int32_t tag) {
  if (tag != kText8Terminated && tag != kText8 && tag != kBytes) return false;
  if (MsgParam* slot = NextTextSlot(tag)) slot->text8 = Terminated(bytes, tag == kText8Terminated);
  return true;
}

bool MsgParamList::AddText16(std::u16string_view units, int32_t tag) {
  if (tag != kText16Terminated && tag != kText16) return false;
  if (MsgParam* slot = NextTextSlot(tag)) {
    slot->text16 = Terminated(units, tag == kText16Terminated);
  }
  return true;
}

namespace {

// `text` becomes the `units` code units at `data`, each unit written once:
// what the storage held is overwritten as it stands and only the rest is
// appended, where sizing the text first would also fill it with zeros.
void CopyUnits(std::u16string& text, const uint8_t* data, size_t units) {
  if (text.capacity() < units) {
    std::u16string room;
    room.reserve(units);
    text.swap(room);
  }
  const size_t over = std::min(text.size(), units);
  text.resize(over);                                        // shrinking writes nothing
  if (over != 0) std::memcpy(text.data(), data, over * 2);  // little-endian host
  constexpr size_t kChunk = 2048;
  char16_t chunk[kChunk];
  for (size_t at = over; at < units; at += kChunk) {
    const size_t n = std::min(kChunk, units - at);
    std::memcpy(chunk, data + at * 2, n * 2);
    text.append(chunk, n);
  }
}

}  // namespace

bool MsgParamList::AddText16Bytes(const uint8_t* data, size_t units, int32_t tag) {
  if (tag != kText16Terminated && tag != kText16) return false;
  MsgParam* slot = NextTextSlot(tag);
  if (slot == nullptr) return true;
  // A large text (a file write's contents) goes into the storage an earlier
  // one left, when that is kept.
  if (units * 2 > kKeptStorageBytes && slot->text16.capacity() < units) {
    slot->text16 = TakeText(kept);
  }
  CopyUnits(slot->text16, data, units);
  if (tag == kText16Terminated) slot->text16.resize(std::min(units, slot->text16.find(u'\0')));
  return true;
}

}  // namespace ipc
