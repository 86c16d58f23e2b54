// Builds one frame of 64-bit little-endian words from typed parameters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ipc/msg_param.h"

namespace ipc {

class Encoder {
 public:
  std::vector<uint64_t> words;
  int32_t headerIndex = -1;

  void Begin(int32_t n);
  // Appends the parameter's tag word and payload; false for a type that cannot
  // be encoded. May take the strings out of `param`.
  bool AddParam(MsgParam& param);
  // Writes the id, separator, trailer and total length once all parameters
  // have been added.
  void Finish(int32_t msgId);

  const void* data() const { return words.data(); }
  size_t byteSize() const { return words.size() * sizeof(uint64_t); }

 private:
  void PutHeaderWord(uint64_t word);
  void AppendBytes(const void* data, size_t size);
};

}  // namespace ipc
