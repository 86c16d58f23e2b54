// Start-up: from CreateProcess until the new program's pipe accepts a
// client, for the broker and for a minimal program that only creates the
// same pipe (and the same program waiting as the broker's main thread does).
// They alternate so that all see the same machine load.
#include <cstdio>
#include <string>
#include <vector>

#include "bench/wine/bench_clock.h"
#include "bench/wine/bench_frames.h"
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
  // A client that leaves before the broker has taken the connection makes
  // its connect fail (exit code 1); a ping answered first rules that out.
  if (program == std::wstring(kBrokerProgram)) {
    std::vector<uint8_t> reply;
    if (!client.Write(RequestFrame(11, 0, u"", u"", u"")) || !client.ReadFrame(reply)) {
      std::printf("# %ls did not answer a ping\n", program);
      return -1.0;
    }
  }
  client.Close();
  DWORD code = 1;
  if (!child.WaitForExit(20000, code) || code != 0) {
    std::printf("# %ls did not end with code 0 after the client left (%lu)\n", program, code);
    return -1.0;
  }
  return elapsed;
}

}  // namespace

bool RunStartupBench(const BenchOptions& options) {
  std::vector<const wchar_t*> programs = {kMinimalPipeProgram, kBrokerProgram, kMinimalPumpProgram};
  for (const std::wstring& extra : options.startupExtra) programs.push_back(extra.c_str());
  std::vector<std::vector<double>> times(programs.size());
  // The first start of a program pays for loading its file; not counted.
  for (const wchar_t* program : programs) {
    if (TimeStart(program) < 0) return false;
  }
  for (size_t i = 0; i < options.startups; ++i) {
    for (size_t p = 0; p < programs.size(); ++p) {
      const double t = TimeStart(programs[p]);
      if (t < 0) return false;
      times[p].push_back(t);
    }
  }
  std::printf("startup_count: %zu\n", times[0].size());
  Figure("startup_broker_median", Median(times[1]) / 1000.0, "ms");
  Figure("startup_minimal_pipe_median", Median(times[0]) / 1000.0, "ms");
  Figure("startup_broker_max", Percentile(times[1], 1.0) / 1000.0, "ms");
  Figure("startup_minimal_pipe_max", Percentile(times[0], 1.0) / 1000.0, "ms");
  Figure("startup_minimal_pump_median", Median(times[2]) / 1000.0, "ms");
  for (size_t p = 3; p < programs.size(); ++p) {
    std::printf("startup_%ls_median: %.3f ms\n", programs[p], Median(times[p]) / 1000.0);
  }
  Ratio("startup_broker_vs_minimal_pipe", Median(times[1]), Median(times[0]), 1.2);
  Note("minimal_pump: the minimal program waiting with the broker's window-message wait (user32)");
  Ratio("startup_minimal_pump_vs_minimal_pipe", Median(times[2]), Median(times[0]));
  Ratio("startup_broker_vs_minimal_pump", Median(times[1]), Median(times[2]));
  return true;
}

}  // namespace corvane::bench
