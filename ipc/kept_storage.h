// The storage of large messages (a 4 MiB file read is a 16 MiB reply, a
// 1 MiB file write a 4 MiB request) that a channel keeps from one message to
// the next while messages keep coming: building a large message in pages
// already touched costs a fraction of building it in fresh ones. The broker's
// channel thread owns one and hands it to its channel, which passes it to
// the decoder, the parameter list, the encoder and the server that seeds a
// reply's text from it; its transport gives it back when the plug-in is
// quiet. Where a null KeptStorage* is passed, a large message's storage is
// freed once it is served.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ipc {

// How long a channel waits for its next message before it gives kept storage
// back, so that a broker that has served a large read returns to its
// connected footprint.
inline constexpr uint32_t kKeptStorageIdleMs = 1000;

class KeptStorage {
 public:
  KeptStorage() = default;
  KeptStorage(const KeptStorage&) = delete;
  KeptStorage& operator=(const KeptStorage&) = delete;

  // The kept text storage, with its capacity and what it last held (the
  // caller overwrites it: emptying it would write to every page), or an
  // empty string when none is kept. The caller owns it from then on.
  std::u16string TakeText();
  // Keeps `text`'s storage for the next TakeText when it is larger than what
  // messages keep anyway and than what is kept (only the largest is kept).
  // Leaves `text` empty.
  void KeepText(std::u16string& text);
  // The kept byte block when it holds `size` bytes, with what it last held;
  // an empty vector otherwise. The caller owns it from then on.
  std::vector<uint8_t> TakeBytes(size_t size);
  // As KeepText, for a byte block (a large request frame's buffer).
  void KeepBytes(std::vector<uint8_t>& bytes);

  // Whether Release would give anything back.
  bool Holds() const;
  void Release();

 private:
  std::u16string text_;
  std::vector<uint8_t> bytes_;
};

// The forms for code that may run without kept storage (`kept` null): the
// take finds nothing, the keep frees.
std::u16string TakeText(KeptStorage* kept);
void KeepText(KeptStorage* kept, std::u16string& text);
std::vector<uint8_t> TakeBytes(KeptStorage* kept, size_t size);
void KeepBytes(KeptStorage* kept, std::vector<uint8_t>& bytes);

}  // namespace ipc
