// Speed of the three access checks that every request passes, on the inputs
// they usually see and on long ones.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "policy/path_policy.h"
#include "policy/registry_key_policy.h"
#include "policy/shell_policy.h"

namespace {

constexpr std::u16string_view kAppData = u"C:\\users\\plugin\\AppData\\Roaming";

// `prefix` followed by `components` path components "sub0123\" ... and `last`.
std::u16string DeepPath(std::u16string_view prefix, size_t components, std::u16string_view last) {
  std::u16string path(prefix);
  for (size_t i = 0; i < components; ++i) {
    path += u"Sub";
    path += static_cast<char16_t>(u'0' + i % 10);
    path += static_cast<char16_t>(u'a' + i % 26);
    path += u"Folder\\";
  }
  path += last;
  return path;
}

void CountChars(benchmark::State& state, size_t units) {
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(units * sizeof(char16_t)));
}

void BM_CheckRegistryKeyTypical(benchmark::State& state) {
  const std::u16string key = u"Software\\Corvane\\Viewer\\Plugins\\Settings";
  for (auto _ : state) {
    auto v = corvane::CheckRegistryKey(corvane::RegistryHive::CurrentUser, key, true);
    benchmark::DoNotOptimize(v);
  }
  CountChars(state, key.size());
}
BENCHMARK(BM_CheckRegistryKeyTypical);

// About 16 K code units: the registry's own limit on a key path.
void BM_CheckRegistryKeyLong(benchmark::State& state) {
  const std::u16string key = DeepPath(u"Software/Corvane//", 1400, u"Leaf");
  for (auto _ : state) {
    auto v = corvane::CheckRegistryKey(corvane::RegistryHive::CurrentUser, key, false);
    benchmark::DoNotOptimize(v);
  }
  CountChars(state, key.size());
}
BENCHMARK(BM_CheckRegistryKeyLong);

void BM_CheckAppDataPathTypical(benchmark::State& state) {
  const std::u16string path = u"C:\\Users\\plugin\\AppData\\Roaming\\Corvane\\notes\\page-12.txt";
  for (auto _ : state) {
    auto v = corvane::CheckAppDataPath(path, kAppData);
    benchmark::DoNotOptimize(v);
  }
  CountChars(state, path.size());
}
BENCHMARK(BM_CheckAppDataPathTypical);

// About 32 K code units: the longest path the file functions take.
void BM_CheckAppDataPathLong(benchmark::State& state) {
  const std::u16string path =
      DeepPath(u"C:\\Users\\plugin\\AppData\\Roaming\\corvane0badf00d\\", 2900, u"data.bin");
  for (auto _ : state) {
    auto v = corvane::CheckAppDataPath(path, kAppData);
    benchmark::DoNotOptimize(v);
  }
  CountChars(state, path.size());
}
BENCHMARK(BM_CheckAppDataPathLong);

void BM_CheckShellTargetTypical(benchmark::State& state) {
  const std::u16string target = u"https://www.example.org/help/plugins/index.html";
  for (auto _ : state) {
    auto v = corvane::CheckShellTarget(target);
    benchmark::DoNotOptimize(v);
  }
  CountChars(state, target.size());
}
BENCHMARK(BM_CheckShellTargetTypical);

void BM_CheckShellTargetDocument(benchmark::State& state) {
  const std::u16string target = u"C:\\Users\\plugin\\Documents\\Reports\\Quarterly Report.PDF";
  for (auto _ : state) {
    auto v = corvane::CheckShellTarget(target);
    benchmark::DoNotOptimize(v);
  }
  CountChars(state, target.size());
}
BENCHMARK(BM_CheckShellTargetDocument);

// A 32 K-unit web address, the longest a command line can carry.
void BM_CheckShellTargetLong(benchmark::State& state) {
  std::u16string target = u"https://www.example.org/search?q=";
  while (target.size() < 32000) target += u"Corvane+Plugin+";
  for (auto _ : state) {
    auto v = corvane::CheckShellTarget(target);
    benchmark::DoNotOptimize(v);
  }
  CountChars(state, target.size());
}
BENCHMARK(BM_CheckShellTargetLong);

}  // namespace
