// Start-up: from CreateProcess until the new program's pipe accepts a
// client, for the broker and for a minimal program that only creates the
// same pipe. The two alternate so that both see the same machine load.
#include <cstdio>
#include <vector>

#include "bench/wine/bench_clock.h"
#include "bench/wine/bench_sections.h"
#include "bench/wine/child_process.h"
#include "bench/wine/raw_pipe_client.h"
#include "bench/wine/report.h"
#include "bench/wine/server_session.h"

namespace corvane::bench {

namespace {

// One start of `program`; the time until a client connected, or negative.
double TimeStart(const wchar_t* program) {
  const std::wstring pipe = UniquePipeName(L"corvane-bench-start");
  ChildProcess child;
  RawPipeClient client;
  const double start = NowMicros();
  if (!child.Start(program, BrokerArguments(pipe))) return -1.0;
  if (!client.Connect(pipe, 20000, child.handle())) return -1.0;
  const double elapsed = NowMicros() - start;
  client.Close();
  DWORD code = 1;
  if (!child.WaitForExit(20000, code) || code != 0) {
    std::printf("# %ls did not end with code 0 after the client left\n", program);
    return -1.0;
  }
  return elapsed;
}

}  // namespace

bool RunStartupBench(const BenchOptions& options) {
  std::vector<double> broker;
  std::vector<double> minimal;
  // The first start of a program pays for loading its file; not counted.
  if (TimeStart(kMinimalPipeProgram) < 0 || TimeStart(kBrokerProgram) < 0) return false;
  for (size_t i = 0; i < options.startups; ++i) {
    const double m = TimeStart(kMinimalPipeProgram);
    const double b = TimeStart(kBrokerProgram);
    if (m < 0 || b < 0) return false;
    minimal.push_back(m);
    broker.push_back(b);
  }
  std::printf("startup_count: %zu\n", broker.size());
  Figure("startup_broker_median", Median(broker) / 1000.0, "ms");
  Figure("startup_minimal_pipe_median", Median(minimal) / 1000.0, "ms");
  Figure("startup_broker_max", Percentile(broker, 1.0) / 1000.0, "ms");
  Figure("startup_minimal_pipe_max", Percentile(minimal, 1.0) / 1000.0, "ms");
  Ratio("startup_broker_vs_minimal_pipe", Median(broker), Median(minimal), 1.2);
  return true;
}

}  // namespace corvane::bench
