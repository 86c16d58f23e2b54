#include "tests/robustness/frame_mutator.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace corvane::test {

namespace {

constexpr uint32_t kHeaderMagic = 0x4D4F524Bu;

// Values at and around every limit the decoder checks.
constexpr uint32_t kBoundaries[] = {
    0u,          1u,          2u,           4u,          5u,          7u,
    8u,          19u,         20u,          21u,         25u,         26u,
    27u,         100u,        101u,         0x3FFFFFFFu, 0x40000018u, 0x40000019u,
    0x40000016u, 0x7FFFFFFFu, 0x80000000u,  0x80000019u, 0xFFFFFFFFu, 0x007FFFFFu,
    0x00800000u, 0x00800001u, kHeaderMagic, 0x4B524F4Du, 0x474E4142u, 0xFFFFFFFEu,
};

void PutLow32(Bytes& bytes, size_t word, uint32_t value) {
  if ((word + 1) * 8 > bytes.size()) return;
  std::memcpy(bytes.data() + word * 8, &value, sizeof value);
}

uint32_t Boundary(Rng& rng) {
  if (rng.Percent(20)) return static_cast<uint32_t>(rng.Next());
  return kBoundaries[rng.Below(std::size(kBoundaries))];
}

void MutateOnce(Rng& rng, Bytes& bytes) {
  if (bytes.empty()) {
    bytes.push_back(static_cast<uint8_t>(rng.Next()));
    return;
  }
  const size_t words = bytes.size() / 8;
  switch (rng.Below(10)) {
    case 0: {  // one bit
      const size_t at = rng.Below(bytes.size());
      bytes[at] = static_cast<uint8_t>(bytes[at] ^ (1u << rng.Below(8)));
      break;
    }
    case 1: {  // one byte
      const uint8_t values[] = {0x00, 0xFF, 0x7F, 0x80, static_cast<uint8_t>(rng.Next())};
      bytes[rng.Below(bytes.size())] = values[rng.Below(std::size(values))];
      break;
    }
    case 2:  // a header word: id, count, total
      PutLow32(bytes, 1 + rng.Below(3), Boundary(rng));
      break;
    case 3:  // any word's low half: tags, separator, lengths, scalars, trailer
      if (words != 0) PutLow32(bytes, rng.Below(words), Boundary(rng));
      break;
    case 4: {  // a word's high half, which receivers must ignore
      if (words == 0) break;
      const uint32_t high = static_cast<uint32_t>(rng.Next());
      std::memcpy(bytes.data() + rng.Below(words) * 8 + 4, &high, sizeof high);
      break;
    }
    case 5: {  // cut off
      bytes.resize(rng.Below(bytes.size()));
      break;
    }
    case 6: {  // insert noise, sometimes a whole word
      const size_t at = rng.Below(bytes.size() + 1);
      const size_t n = rng.Percent(50) ? 8 : 1 + rng.Below(12);
      Bytes noise(n);
      for (auto& b : noise) b = static_cast<uint8_t>(rng.Next());
      bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), noise.begin(), noise.end());
      break;
    }
    case 7: {  // delete a range
      const size_t at = rng.Below(bytes.size());
      const size_t n = std::min<size_t>(1 + rng.Below(16), bytes.size() - at);
      bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                  bytes.begin() + static_cast<std::ptrdiff_t>(at + n));
      break;
    }
    case 8: {  // repeat a range
      const size_t at = rng.Below(bytes.size());
      const size_t n = std::min<size_t>(1 + rng.Below(64), bytes.size() - at);
      Bytes copy(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                 bytes.begin() + static_cast<std::ptrdiff_t>(at + n));
      bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), copy.begin(), copy.end());
      break;
    }
    default: {  // the total length no longer matches the content
      if (words > 3) PutLow32(bytes, 3, static_cast<uint32_t>(words + rng.Below(5)) - 2u);
      break;
    }
  }
}

}  // namespace

uint64_t Rng::Next() {
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

Bytes RandomGarbage(Rng& rng, size_t maxSize) {
  size_t size = 1 + rng.Below(maxSize);
  if (rng.Percent(50)) size = (size + 7) / 8 * 8;
  Bytes bytes(size);
  for (auto& b : bytes) b = static_cast<uint8_t>(rng.Next());
  if (rng.Percent(50) && size >= 32) {
    // A plausible header: magic, small id, count and total, so that the
    // decoder looks at the tags and payload of noise.
    PutLow32(bytes, 0, kHeaderMagic);
    PutLow32(bytes, 1, static_cast<uint32_t>(rng.Below(10)));
    PutLow32(bytes, 2, static_cast<uint32_t>(1 + rng.Below(20)));
    PutLow32(bytes, 3, static_cast<uint32_t>(std::max<size_t>(5, size / 8)));
  }
  return bytes;
}

Bytes MutatedFrames(Rng& rng, const std::vector<Bytes>& frames) {
  Bytes out;
  const size_t count = 1 + rng.Below(4);
  for (size_t i = 0; i < count && !frames.empty(); ++i) {
    const Bytes& f = frames[rng.Below(frames.size())];
    out.insert(out.end(), f.begin(), f.end());
  }
  const size_t mutations = 1 + rng.Below(4);
  for (size_t i = 0; i < mutations; ++i) MutateOnce(rng, out);
  return out;
}

std::vector<size_t> RandomChunks(Rng& rng, size_t total) {
  std::vector<size_t> chunks;
  while (total != 0) {
    size_t n = 0;
    switch (rng.Below(4)) {
      case 0:
        n = 1 + rng.Below(3);
        break;
      case 1:
        n = 1 + rng.Below(13);
        break;
      case 2:
        n = 8 * (1 + rng.Below(8));
        break;
      default:
        n = 1 + rng.Below(8192);
        break;
    }
    n = std::min(n, total);
    chunks.push_back(n);
    total -= n;
  }
  return chunks;
}

}  // namespace corvane::test
