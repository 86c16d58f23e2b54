// Builds one frame of 64-bit little-endian words from typed parameters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ipc/kept_storage.h"
#include "ipc/msg_param.h"

namespace ipc {

// Spare code units a 16-bit text needs beyond its own length for the frame
// of a message with a few short parameters before it (a reply's status) to
// be built in the text's own storage; see AddLastText16InPlace.
inline constexpr size_t kFrameRoomUnits = 64;

class Encoder {
 public:
  std::vector<uint64_t> words;
  int32_t headerIndex = -1;
  // Where a frame built in a text's storage goes once sent; null frees it.
  KeptStorage* kept = nullptr;

  void Begin(int32_t n);
  // Appends the parameter's tag word and payload; false for a type that cannot
  // be encoded. May take the strings out of `param`.
  bool AddParam(MsgParam& param);
  // For the last parameter only: when it is a 16-bit text whose storage has
  // room for the whole frame, moves the text into place inside that storage
  // and makes it the frame, taking it out of `param`; a large text is then
  // neither copied nor given fresh pages a second time. False, with nothing
  // changed, when that does not apply; AddParam then does the same slower.
  bool AddLastText16InPlace(MsgParam& param);
  // Writes the id, separator, trailer and total length once all parameters
  // have been added.
  void Finish(int32_t msgId);

  const void* data() const;
  size_t byteSize() const;
  size_t wordCount() const { return byteSize() / sizeof(uint64_t); }

  // Gives back the frame's storage beyond `keepWords` words of capacity; a
  // frame built in a text's storage goes to `kept`.
  void Release(size_t keepWords);

 private:
  void PutHeaderWord(uint64_t word);
  void AppendBytes(const void* data, size_t size);

  // The frame when it was built in a text's storage (then `words` holds only
  // what precedes the text's data); empty otherwise.
  std::u16string frameInText_;
  size_t textDataWords_ = 0;
};

}  // namespace ipc
