// Decodes the frames a test transport has collected.
#pragma once

#include <cstdint>
#include <vector>

#include "ipc/decoder.h"
#include "ipc/msg_param.h"

namespace corvane::test {

struct Message {
  int32_t id = -1;
  std::vector<ipc::MsgParam> params;
};

// Every whole frame in `bytes`, in order. Stops at the first frame that does
// not decode; `undecoded` receives the number of bytes left over.
inline std::vector<Message> DecodeAll(const std::vector<uint8_t>& bytes,
                                      size_t* undecoded = nullptr) {
  std::vector<Message> out;
  ipc::MsgParamList list;
  ipc::Decoder decoder(&list);
  decoder.Append(bytes.data(), bytes.size());
  while (!decoder.buffered().empty() && decoder.Decode() == ipc::kComplete) {
    Message m;
    m.id = list.msgId;
    for (uint64_t i = 0; i < list.count; ++i) m.params.push_back(list.params[i]);
    out.push_back(std::move(m));
    list.Clear();
    list.msgId = -1;
    decoder.Reset();
  }
  if (undecoded != nullptr) *undecoded = decoder.buffered().size();
  return out;
}

}  // namespace corvane::test
