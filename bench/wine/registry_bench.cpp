// Registry string writes and reads through the broker, against their
// baseline measured the same way: a raw pipe round trip of the same request
// bytes answered with a reply of the same size, plus the same registry calls
// made directly (open or create the key, set or query the value, close).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/wine/bench_clock.h"
#include "bench/wine/bench_frames.h"
#include "bench/wine/bench_sections.h"
#include "bench/wine/report.h"
#include "bench/wine/server_session.h"
#include "protocol/operations.h"
#include "win/scoped_handle.h"

namespace corvane::bench {

namespace {

constexpr size_t kBlock = 50;
const std::u16string kKey = u"Software\\Corvane\\Bench";
const std::u16string kName = u"text";
const std::u16string kValue = u"The quick brown fox jumps over the lazy dog";

const wchar_t* Wide(const std::u16string& s) {
  return reinterpret_cast<const wchar_t*>(s.c_str());
}

double RawWrite() {
  const double start = NowMicros();
  RegKey key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, Wide(kKey), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                      nullptr, key.Receive(), nullptr) != ERROR_SUCCESS) {
    return -1.0;
  }
  const LSTATUS s = RegSetValueExW(key.get(), Wide(kName), 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(kValue.c_str()),
                                   static_cast<DWORD>((kValue.size() + 1) * 2));
  key.Reset();  // the close is part of what is timed
  return s == ERROR_SUCCESS ? NowMicros() - start : -1.0;
}

double RawRead() {
  const double start = NowMicros();
  RegKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(kKey), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) {
    return -1;
  }
  wchar_t buffer[256];
  DWORD size = sizeof buffer;
  DWORD type = 0;
  const LSTATUS s = RegQueryValueExW(key.get(), Wide(kName), nullptr, &type,
                                     reinterpret_cast<BYTE*>(buffer), &size);
  key.Reset();  // the close is part of what is timed
  return s == ERROR_SUCCESS && type == REG_SZ ? NowMicros() - start : -1.0;
}

struct Series {
  std::vector<double> broker, pipe, raw;
};

bool Block(ServerSession& broker, ServerSession& pipe, const std::vector<uint8_t>& request,
           double (*raw)(), int32_t wantStatus, const std::u16string& wantText, Series& out,
           bool keep) {
  std::vector<uint8_t> reply;
  for (size_t i = 0; i < kBlock; ++i) {
    const double b = broker.RoundTrip(request, reply);
    int32_t status = -1;
    std::u16string text;
    if (b < 0 || !ParseReply(reply, status, text) || status != wantStatus || text != wantText) {
      std::printf("# broker registry request failed (status %d)\n", status);
      return false;
    }
    const double p = pipe.RoundTrip(request, reply);
    const double r = raw();
    if (p < 0 || r < 0) {
      std::printf("# baseline registry round trip failed\n");
      return false;
    }
    if (keep) {
      out.broker.push_back(b);
      out.pipe.push_back(p);
      out.raw.push_back(r);
    }
  }
  return true;
}

void Report(const char* what, const Series& s) {
  const std::string w = what;
  const double broker = Median(s.broker);
  const double baseline = Median(s.pipe) + Median(s.raw);
  Figure(("registry_" + w + "_broker_per_s").c_str(), 1e6 / broker, "round trips/s");
  Figure(("registry_" + w + "_broker_median").c_str(), broker, "us");
  Figure(("registry_" + w + "_raw_call_median").c_str(), Median(s.raw), "us");
  Figure(("registry_" + w + "_raw_pipe_median").c_str(), Median(s.pipe), "us");
  Figure(("registry_" + w + "_baseline_per_s").c_str(), 1e6 / baseline, "round trips/s");
  Ratio(("registry_" + w + "_vs_pipe_plus_raw_call").c_str(), broker, baseline, 1.15);
}

}  // namespace

bool RunRegistryBench(const BenchOptions& options) {
  ServerSession broker;
  ServerSession writePipe;
  ServerSession readPipe;
  if (!broker.StartBroker() || !writePipe.StartEcho(L"overlapped", L"0") ||
      !readPipe.StartEcho(L"overlapped", std::to_wstring(kValue.size()))) {
    return false;
  }
  const auto write =
      RequestFrame(static_cast<uint32_t>(BrokerOperation::WriteString), 0, kKey, kName, kValue);
  const auto read =
      RequestFrame(static_cast<uint32_t>(BrokerOperation::ReadString), 0, kKey, kName, u"");
  Series writes;
  Series reads;
  if (!Block(broker, writePipe, write, RawWrite, 0, u"", writes, false) ||
      !Block(broker, readPipe, read, RawRead, 0, kValue, reads, false)) {
    return false;
  }
  for (size_t done = 0; done < options.registryOps; done += kBlock) {
    if (!Block(broker, writePipe, write, RawWrite, 0, u"", writes, true) ||
        !Block(broker, readPipe, read, RawRead, 0, kValue, reads, true)) {
      return false;
    }
  }
  std::printf("registry_count: %zu\n", writes.broker.size());
  Note("baseline: raw overlapped pipe round trip of the same bytes + the registry calls made here");
  Report("write_string", writes);
  Report("read_string", reads);
  RegDeleteTreeW(HKEY_CURRENT_USER, Wide(kKey));
  return broker.Finish() && writePipe.Finish() && readPipe.Finish();
}

}  // namespace corvane::bench
