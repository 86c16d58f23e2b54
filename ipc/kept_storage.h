// The storage of large messages (a 4 MiB file read is a 16 MiB reply, a
// 1 MiB file write a 4 MiB request) that a thread keeps from one message to
// the next while messages keep coming: building a large message in pages
// already touched costs a fraction of building it in fresh ones. Kept only
// on a thread that holds a KeptStorageScope and gives it back when idle;
// everywhere else a large message's storage is freed once it is served.
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

// While one is alive, the thread keeps large storage; the last one to go
// gives it back.
class KeptStorageScope {
 public:
  KeptStorageScope();
  ~KeptStorageScope();
  KeptStorageScope(const KeptStorageScope&) = delete;
  KeptStorageScope& operator=(const KeptStorageScope&) = delete;
};

// The thread's kept text storage, with its capacity and what it last held
// (the caller overwrites it: emptying it would write to every page), or an
// empty string when none is kept. The caller owns it from then on.
std::u16string TakeLargeText();
// Keeps `text`'s storage for the next TakeLargeText when the thread keeps
// storage and `text` is larger than what messages keep anyway (then only the
// largest is kept); frees it otherwise. Leaves `text` empty.
void KeepLargeText(std::u16string& text);
// The thread's kept byte storage of the least capacity that holds `size`
// bytes, with what it last held, or an empty vector when none does. The
// caller owns it from then on.
std::vector<uint8_t> TakeLargeBytes(size_t size);
// Keeps `bytes`' storage for a later TakeLargeBytes when the thread keeps
// storage and `bytes` is larger than what messages keep anyway; of such
// blocks (a request frame and the contents decoded from it) the two largest
// are kept. Frees it otherwise. Leaves `bytes` empty.
void KeepLargeBytes(std::vector<uint8_t>& bytes);
// Whether the thread holds storage that ReleaseKeptStorage would give back.
bool HoldsKeptStorage();
void ReleaseKeptStorage();

}  // namespace ipc
