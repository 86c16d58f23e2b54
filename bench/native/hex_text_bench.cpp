// Speed of the text form of file contents on the largest file a read may
// return (4 MiB), both ways, and in place in storage kept between rounds.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_data.h"
#include "protocol/hex_text.h"

namespace {

constexpr size_t kBytes = 4u * 1024u * 1024u;

std::vector<uint8_t> Contents() {
  return corvane::bench::PseudoRandomBytes(kBytes, 1);
}

void BM_HexTextEncode4MiB(benchmark::State& state) {
  const std::vector<uint8_t> bytes = Contents();
  for (auto _ : state) {
    std::u16string text = corvane::HexText::Encode(bytes);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kBytes));
}
BENCHMARK(BM_HexTextEncode4MiB)->Unit(benchmark::kMillisecond);

// As FileRead builds its reply: the bytes put in the text's own storage,
// kept from the round before, and turned into digits there.
void BM_HexTextEncodeInPlace4MiB(benchmark::State& state) {
  const std::vector<uint8_t> bytes = Contents();
  std::u16string text;
  for (auto _ : state) {
    std::memcpy(corvane::HexText::PlaceBytes(text, bytes.size()), bytes.data(), bytes.size());
    corvane::HexText::EncodeInPlace(text);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kBytes));
}
BENCHMARK(BM_HexTextEncodeInPlace4MiB)->Unit(benchmark::kMillisecond);

void BM_HexTextDecode4MiB(benchmark::State& state) {
  const std::u16string text = corvane::HexText::Encode(Contents());
  std::vector<uint8_t> bytes;
  for (auto _ : state) {
    if (!corvane::HexText::Decode(text, bytes)) state.SkipWithError("text did not decode");
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kBytes));
}
BENCHMARK(BM_HexTextDecode4MiB)->Unit(benchmark::kMillisecond);

}  // namespace
