// corvane-bench: measures the broker under Wine against baselines taken the
// same way in the same run, and prints "name: value" lines and ratios.
//   corvane-bench [--quick] [--only=ping|registry|file|startup|soak]
//                 [--startup-extra=<program in the bin folder>]...
// Exit code: 0 when everything was measured and every target met, 1 when a
// measurement failed, 2 when a target was missed.
#include <windows.h>

#include <cstdio>
#include <string>

#include "bench/wine/bench_sections.h"
#include "bench/wine/report.h"

namespace {

using corvane::bench::BenchOptions;

int Run(int argc, wchar_t** argv) {
  BenchOptions options;
  std::wstring only;
  for (int i = 1; i < argc; ++i) {
    const std::wstring a = argv[i];
    if (a == L"--quick") {
      options.quick = true;
      options.pings = 300;
      options.registryOps = 100;
      options.fileOps = 3;
      options.startups = 3;
      options.soakRequests = 3000;
    } else if (a.starts_with(L"--startup-extra=")) {
      options.startupExtra.push_back(a.substr(16));
    } else if (a.starts_with(L"--only=")) {
      only = a.substr(7);
    } else {
      std::fprintf(stderr, "usage: corvane-bench [--quick] [--only=SECTION]\n");
      return 1;
    }
  }
  struct Section {
    const wchar_t* name;
    bool (*run)(const BenchOptions&);
  };
  const Section sections[] = {
      {L"ping", corvane::bench::RunPingBench}, {L"registry", corvane::bench::RunRegistryBench},
      {L"file", corvane::bench::RunFileBench}, {L"startup", corvane::bench::RunStartupBench},
      {L"soak", corvane::bench::RunSoakBench},
  };
  bool measured = true;
  for (const Section& s : sections) {
    if (!only.empty() && only != s.name) continue;
    std::printf("== %ls\n", s.name);
    std::fflush(stdout);
    if (!s.run(options)) {
      std::printf("# %ls: measurement failed\n", s.name);
      measured = false;
    }
  }
  if (!measured) return 1;
  return corvane::bench::MissedTargets() == 0 ? 0 : 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  try {
    return Run(argc, argv);
  } catch (...) {
    std::fprintf(stderr, "corvane-bench: unexpected exception\n");
    return 1;
  }
}
