// The measurements of corvane-bench, one function per concern. Each starts
// the programs it needs, measures the broker and its baseline in the same
// run, prints its figures and returns false when it could not measure.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace corvane::bench {

struct BenchOptions {
  bool quick = false;
  size_t pings = 3000;           // round trips per figure
  size_t registryOps = 1000;     // of each kind
  size_t fileOps = 15;           // 4 MiB reads, 1 MiB writes
  size_t startups = 15;          // of each program
  size_t soakRequests = 100000;  // in one session
  // Further programs (in the bin folder) whose start-up is measured beside
  // the broker's, to find out what a start costs.
  std::vector<std::wstring> startupExtra;
};

bool RunPingBench(const BenchOptions& options);
bool RunRegistryBench(const BenchOptions& options);
bool RunFileBench(const BenchOptions& options);
bool RunStartupBench(const BenchOptions& options);
bool RunSoakBench(const BenchOptions& options);

}  // namespace corvane::bench
