// Ping round trips through the broker against raw pipe servers that answer
// the same request bytes with a reply of the same size (88 bytes) without
// decoding. The three sessions run side by side and take turns in blocks,
// so that a change in the machine's load affects all of them alike.
#include <cstdio>
#include <string>
#include <vector>

#include "bench/wine/bench_clock.h"
#include "bench/wine/bench_frames.h"
#include "bench/wine/bench_sections.h"
#include "bench/wine/report.h"
#include "bench/wine/server_session.h"
#include "protocol/operations.h"

namespace corvane::bench {

namespace {

constexpr size_t kBlock = 100;
constexpr size_t kWarmUp = 50;

struct Timed {
  const char* name;
  ServerSession* session;
  bool isBroker;
  std::vector<double> samples;
};

bool RunBlock(Timed& t, const std::vector<uint8_t>& request, size_t count, bool keep) {
  std::vector<uint8_t> reply;
  for (size_t i = 0; i < count; ++i) {
    const double us = t.session->RoundTrip(request, reply);
    if (us < 0) {
      std::printf("# %s: round trip failed\n", t.name);
      return false;
    }
    if (keep) t.samples.push_back(us);
  }
  int32_t status = -1;
  std::u16string text;
  if (!ParseReply(reply, status, text)) {
    std::printf("# %s: the reply is not a reply 7\n", t.name);
    return false;
  }
  if (t.isBroker && (status != 0 || text != u"pong")) {
    std::printf("# %s: the ping was not answered with pong\n", t.name);
    return false;
  }
  return true;
}

}  // namespace

bool RunPingBench(const BenchOptions& options) {
  ServerSession broker;
  ServerSession overlapped;
  ServerSession plain;
  if (!broker.StartBroker() || !overlapped.StartEcho(L"overlapped", L"4") ||
      !plain.StartEcho(L"plain", L"4")) {
    return false;
  }
  const std::vector<uint8_t> ping =
      RequestFrame(static_cast<uint32_t>(BrokerOperation::Ping), 0, u"", u"", u"");
  Timed timed[] = {{"ping_broker", &broker, true, {}},
                   {"echo_overlapped", &overlapped, false, {}},
                   {"echo_plain", &plain, false, {}}};
  for (Timed& t : timed) {
    if (!RunBlock(t, ping, kWarmUp, false)) return false;
  }
  for (size_t done = 0; done < options.pings; done += kBlock) {
    for (Timed& t : timed) {
      if (!RunBlock(t, ping, kBlock, true)) return false;
    }
  }
  std::printf("ping_count: %zu\n", timed[0].samples.size());
  for (const Timed& t : timed) {
    Figure((std::string(t.name) + "_median").c_str(), Median(t.samples), "us");
    Figure((std::string(t.name) + "_p99").c_str(), Percentile(t.samples, 0.99), "us");
  }
  Note("echo_overlapped: the broker's own transport class, a fresh event per operation");
  Note("echo_plain: blocking ReadFile/WriteFile on a non-overlapped pipe");
  Ratio("ping_median_vs_echo_overlapped", Median(timed[0].samples), Median(timed[1].samples), 1.3);
  Ratio("ping_p99_vs_echo_overlapped", Percentile(timed[0].samples, 0.99),
        Percentile(timed[1].samples, 0.99));
  Ratio("ping_median_vs_echo_plain", Median(timed[0].samples), Median(timed[2].samples));
  Ratio("echo_overlapped_vs_echo_plain", Median(timed[1].samples), Median(timed[2].samples));
  return broker.Finish() && overlapped.Finish() && plain.Finish();
}

}  // namespace corvane::bench
