// Hostile input for the broker: random bytes, valid requests mutated in the
// ways a careless or malicious plug-in might, and random chunkings of both.
// Deterministic for a given seed. Platform-independent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvane::test {

// A small, fast generator whose whole state is its seed (SplitMix64).
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t Next();
  // Uniform in [0, n); 0 when n is 0.
  uint64_t Below(uint64_t n) { return n == 0 ? 0 : Next() % n; }
  bool Percent(unsigned p) { return Below(100) < p; }

 private:
  uint64_t state_;
};

using Bytes = std::vector<uint8_t>;

// Up to `maxSize` bytes of noise; sometimes word-aligned, sometimes starting
// with a valid header magic so that the decoder goes past its first check.
Bytes RandomGarbage(Rng& rng, size_t maxSize);

// One to four of `frames` (valid requests) joined and then damaged one to
// four times: bits flipped, header words, tags and string lengths set to
// boundary values, bytes inserted, deleted, repeated or cut off.
Bytes MutatedFrames(Rng& rng, const std::vector<Bytes>& frames);

// Sizes of the pieces in which `total` bytes are written: single bytes,
// odd sizes, whole words and large blocks, summing to `total`.
std::vector<size_t> RandomChunks(Rng& rng, size_t total);

}  // namespace corvane::test
