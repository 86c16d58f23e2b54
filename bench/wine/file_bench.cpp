// FileRead of a 4 MiB file and FileWrite of 1 MiB through the broker,
// against their baselines measured the same way: a raw pipe round trip of
// the same request bytes answered with a reply of the same size, plus the
// file calls made directly (read: open, size, one read, close; write: what
// a durable atomic write must do, as the broker does it: a temporary file,
// one write, its data flushed, close and the replacing move). Also the
// broker's working set and private bytes once connected, right after large
// reads and writes and once it has been idle for 2 s, to see what it keeps. Reads come both in
// steady succession (the broker builds replies in the storage it keeps) and after the broker has
// been idle (it builds them in fresh memory, as the fresh raw server does).

#include <windows.h>
// After windows.h, whose types they use.
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_data.h"
#include "bench/wine/bench_clock.h"
#include "bench/wine/bench_frames.h"
#include "bench/wine/bench_sections.h"
#include "bench/wine/report.h"
#include "bench/wine/server_session.h"
#include "ipc/kept_storage.h"
#include "protocol/hex_text.h"
#include "protocol/operations.h"
#include "win/scoped_handle.h"

namespace corvane::bench {

namespace {

constexpr size_t kReadBytes = 4u * 1024u * 1024u;
constexpr size_t kWriteBytes = 1024u * 1024u;

const wchar_t* Wide(const std::u16string& s) {
  return reinterpret_cast<const wchar_t*>(s.c_str());
}

std::u16string AppDataCorvane() {
  wchar_t folder[MAX_PATH] = {};
  if (SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, folder) < 0) return {};
  std::u16string path(reinterpret_cast<const char16_t*>(folder));
  path += u"\\corvane";
  CreateDirectoryW(Wide(path), nullptr);
  return path;
}

bool WriteWhole(const std::u16string& path, const std::vector<uint8_t>& bytes) {
  UniqueHandle file(CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file &&
         WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

double RawRead(const std::u16string& path) {
  const double start = NowMicros();
  UniqueHandle file(CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size)) return -1.0;
  std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
  DWORD got = 0;
  if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
      got != bytes.size()) {
    return -1.0;
  }
  file.Reset();
  return NowMicros() - start;
}

double RawAtomicWrite(const std::u16string& path, const std::vector<uint8_t>& bytes) {
  const double start = NowMicros();
  const std::u16string temp = path + u".tmp";
  {
    UniqueHandle file(CreateFileW(Wide(temp), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file ||
        !WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size() || !FlushFileBuffers(file.get())) {
      return -1.0;
    }
  }
  if (!MoveFileExW(Wide(temp), Wide(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
    return -1.0;
  }
  return NowMicros() - start;
}

// `reply` is the caller's, reused from call to call as for the raw pipe
// servers: a fresh one would time the client's page faults on the 16 MiB it
// copies the reply into, not the broker.
bool BrokerCall(ServerSession& broker, const std::vector<uint8_t>& request, int32_t wantStatus,
                size_t wantUnits, std::vector<uint8_t>& reply, double& us) {
  us = broker.RoundTrip(request, reply);
  int32_t status = -1;
  std::u16string text;
  if (us < 0 || !ParseReply(reply, status, text) || status != wantStatus ||
      text.size() != wantUnits) {
    std::printf("# broker file request failed (status %d, %zu units)\n", status, text.size());
    return false;
  }
  return true;
}

struct Series {
  std::vector<double> broker, pipe, raw;
  std::vector<double> brokerFirst, pipeFirst;  // until the first reply bytes
  std::vector<double> brokerCpu, pipeCpu;      // server CPU time per round trip
};

void Report(const char* what, const Series& s, double target) {
  const std::string w = what;
  const double broker = Median(s.broker);
  const double baseline = Median(s.pipe) + Median(s.raw);
  Figure(("file_" + w + "_broker_median").c_str(), broker / 1000.0, "ms");
  Figure(("file_" + w + "_raw_pipe_median").c_str(), Median(s.pipe) / 1000.0, "ms");
  Figure(("file_" + w + "_raw_file_median").c_str(), Median(s.raw) / 1000.0, "ms");
  Figure(("file_" + w + "_baseline").c_str(), baseline / 1000.0, "ms");
  Figure(("file_" + w + "_broker_first_reply_bytes").c_str(), Median(s.brokerFirst) / 1000.0, "ms");
  Figure(("file_" + w + "_raw_pipe_first_reply_bytes").c_str(), Median(s.pipeFirst) / 1000.0, "ms");
  // Means: the CPU counters advance in 10 ms steps, so a median only says
  // 10, 20 or 30.
  Figure(("file_" + w + "_broker_cpu_mean").c_str(), Mean(s.brokerCpu) / 1000.0, "ms");
  Figure(("file_" + w + "_raw_pipe_server_cpu_mean").c_str(), Mean(s.pipeCpu) / 1000.0, "ms");
  Ratio(("file_" + w + "_vs_pipe_plus_raw_file").c_str(), broker, baseline, target);
}

// Waits until the broker has had no request for `ms` since `since`.
void IdleUntil(double since, double ms) {
  const double left = ms - (NowMicros() - since) / 1000.0;
  if (left > 0) Sleep(static_cast<DWORD>(left) + 1);
}

struct MemorySample {
  const char* when;
  ServerSession::Memory memory;
};

}  // namespace

bool RunFileBench(const BenchOptions& options) {
  const std::u16string folder = AppDataCorvane();
  if (folder.empty()) return false;
  const std::u16string readPath = folder + u"\\bench-read-4mib.bin";
  const std::u16string writePath = folder + u"\\bench-write-1mib.bin";
  const std::u16string rawWritePath = folder + u"\\bench-raw-write-1mib.bin";
  if (!WriteWhole(readPath, PseudoRandomBytes(kReadBytes, 1))) {
    std::printf("# cannot create the 4 MiB file\n");
    return false;
  }
  const std::vector<uint8_t> writeBytes = PseudoRandomBytes(kWriteBytes, 2);
  const auto read =
      RequestFrame(static_cast<uint32_t>(BrokerOperation::FileRead), 0, readPath, u"", u"");
  const auto write = RequestFrame(static_cast<uint32_t>(BrokerOperation::FileWrite), 0, writePath,
                                  u"", HexText::Encode(writeBytes));

  ServerSession broker;
  ServerSession readPipe;
  ServerSession freshPipe;
  ServerSession writePipe;
  if (!broker.StartBroker() ||
      !readPipe.StartEcho(L"overlapped", std::to_wstring(kReadBytes * 2)) ||
      !freshPipe.StartEcho(L"overlapped", std::to_wstring(kReadBytes * 2), L"--fresh") ||
      !writePipe.StartEcho(L"overlapped", L"0")) {
    return false;
  }
  std::vector<MemorySample> memory;
  memory.push_back({"connected", {}});
  if (!broker.ReadMemory(memory.back().memory)) return false;

  // Requests in steady succession: the baselines between two broker
  // requests can take longer than the broker's idle time
  // (ipc::kKeptStorageIdleMs) on a loaded machine, so a keep-alive message
  // (consumed without a reply, outside what is timed) goes to the broker
  // before each of them.
  Series reads;
  Series writes;
  std::vector<uint8_t> reply;
  const std::vector<uint8_t> keepAlive = KeepAliveFrame();
  const auto stillBusy = [&broker, &keepAlive] { return broker.Send(keepAlive); };
  for (size_t i = 0; i <= options.fileOps; ++i) {
    const bool keep = i != 0;  // the first round warms caches up
    double b = 0;
    double cpu = broker.CpuMicros();
    if (!BrokerCall(broker, read, 0, kReadBytes * 2, reply, b)) return false;
    const double bCpu = broker.CpuMicros() - cpu;
    const double bFirst = broker.firstBytesAfter();
    stillBusy();
    cpu = readPipe.CpuMicros();
    const double p = readPipe.RoundTrip(read, reply);
    const double pCpu = readPipe.CpuMicros() - cpu;
    const double pFirst = readPipe.firstBytesAfter();
    stillBusy();
    const double r = RawRead(readPath);
    // The first 4 MiB request after another large transfer costs tens of
    // milliseconds more under Wine whichever server receives it, so the two
    // writes take turns at going first.
    double bw = 0;
    double bwCpu = 0;
    double bwFirst = 0;
    const auto brokerWrite = [&] {
      const double before = broker.CpuMicros();
      if (!BrokerCall(broker, write, 0, 0, reply, bw)) return false;
      bwCpu = broker.CpuMicros() - before;
      bwFirst = broker.firstBytesAfter();
      stillBusy();
      return true;
    };
    double pw = 0;
    double pwCpu = 0;
    double pwFirst = 0;
    const auto pipeWrite = [&] {
      const double before = writePipe.CpuMicros();
      pw = writePipe.RoundTrip(write, reply);
      pwCpu = writePipe.CpuMicros() - before;
      pwFirst = writePipe.firstBytesAfter();
      stillBusy();
      return true;
    };
    if (!(i % 2 == 0 ? brokerWrite() && pipeWrite() : pipeWrite() && brokerWrite())) return false;
    const double rw = RawAtomicWrite(rawWritePath, writeBytes);
    stillBusy();
    if (p < 0 || r < 0 || pw < 0 || rw < 0) {
      std::printf("# file baseline failed\n");
      return false;
    }
    if (keep) {
      reads.broker.push_back(b);
      reads.pipe.push_back(p);
      reads.raw.push_back(r);
      reads.brokerFirst.push_back(bFirst);
      reads.pipeFirst.push_back(pFirst);
      reads.brokerCpu.push_back(bCpu);
      reads.pipeCpu.push_back(pCpu);
      writes.broker.push_back(bw);
      writes.pipe.push_back(pw);
      writes.raw.push_back(rw);
      writes.brokerFirst.push_back(bwFirst);
      writes.pipeFirst.push_back(pwFirst);
      writes.brokerCpu.push_back(bwCpu);
      writes.pipeCpu.push_back(pwCpu);
    }
  }

  // Reads after the broker has been idle long enough to give its storage
  // back, against a raw server that builds every reply in fresh memory.
  Series idleReads;
  constexpr double kIdleMs = ipc::kKeptStorageIdleMs + 500.0;
  double lastBrokerRequest = NowMicros();
  for (size_t i = 0; i < options.fileOps; ++i) {
    const double f = freshPipe.RoundTrip(read, reply);
    const double r = RawRead(readPath);
    if (f < 0 || r < 0) {
      std::printf("# file baseline failed\n");
      return false;
    }
    IdleUntil(lastBrokerRequest, kIdleMs);
    double b = 0;
    const double cpu = broker.CpuMicros();
    if (!BrokerCall(broker, read, 0, kReadBytes * 2, reply, b)) return false;
    lastBrokerRequest = NowMicros();
    idleReads.broker.push_back(b);
    idleReads.brokerCpu.push_back(broker.CpuMicros() - cpu);
    idleReads.pipe.push_back(f);
    idleReads.raw.push_back(r);
  }

  // What the broker keeps right after large reads and once idle.
  constexpr DWORD kSettleMs = 2000;
  const auto sample = [&broker, &memory](const char* when) {
    memory.push_back({when, {}});
    return broker.ReadMemory(memory.back().memory);
  };
  double unused = 0;
  Sleep(kSettleMs);
  if (!BrokerCall(broker, read, 0, kReadBytes * 2, reply, unused) || !sample("after_read_4mib")) {
    return false;
  }
  Sleep(kSettleMs);
  if (!sample("after_read_4mib_idle_2s")) return false;
  for (int i = 0; i < 20; ++i) {
    if (!BrokerCall(broker, read, 0, kReadBytes * 2, reply, unused)) return false;
  }
  if (!sample("after_20_reads_4mib")) return false;
  Sleep(kSettleMs);
  if (!sample("after_20_reads_4mib_idle_2s")) return false;
  for (int i = 0; i < 20; ++i) {
    if (!BrokerCall(broker, write, 0, 0, reply, unused)) return false;
  }
  if (!sample("after_20_writes_1mib")) return false;
  Sleep(kSettleMs);
  if (!sample("after_20_writes_1mib_idle_2s")) return false;

  std::printf("file_count: %zu\n", reads.broker.size());
  std::printf("file_read_request_bytes: %zu\nfile_read_reply_bytes: %zu\n", read.size(),
              ReplyFrame(kReadBytes * 2).size());
  std::printf("file_write_request_bytes: %zu\n", write.size());
  Report("read_4mib", reads, 1.25);
  Figure("file_read_4mib_idle_broker_median", Median(idleReads.broker) / 1000.0, "ms");
  Figure("file_read_4mib_raw_pipe_fresh_reply_median", Median(idleReads.pipe) / 1000.0, "ms");
  Figure("file_read_4mib_idle_raw_file_median", Median(idleReads.raw) / 1000.0, "ms");
  Figure("file_read_4mib_idle_broker_cpu_mean", Mean(idleReads.brokerCpu) / 1000.0, "ms");
  Ratio("file_read_4mib_idle_vs_fresh_pipe_plus_raw_file", Median(idleReads.broker),
        Median(idleReads.pipe) + Median(idleReads.raw));
  Note("raw_pipe_fresh_reply: the same reply built in fresh memory for each request");
  Note(
      "read_4mib_idle: a read after 1.5 s without requests, when the broker has given back "
      "its kept storage");
  Report("write_1mib", writes, 1.25);
  for (const MemorySample& m : memory) {
    const std::string w = m.when;
    Figure(("file_broker_" + w + "_working_set").c_str(), m.memory.workingSet / 1024.0, "KiB");
    Figure(("file_broker_" + w + "_private_bytes").c_str(), m.memory.privateBytes / 1024.0, "KiB");
  }
  Figure("file_broker_peak_working_set", memory.back().memory.peakWorkingSet / 1024.0, "KiB");
  // Private bytes an idle broker keeps over its connected figure.
  const double connected = memory.front().memory.privateBytes;
  for (const MemorySample& m : memory) {
    const std::string w = m.when;
    if (!w.ends_with("_idle_2s")) continue;
    Margin(("file_broker_" + w + "_private_over_connected").c_str(),
           (m.memory.privateBytes - connected) / 1024.0, 1024.0, "KiB");
  }
  const bool finished =
      broker.Finish() && readPipe.Finish() && freshPipe.Finish() && writePipe.Finish();
  DeleteFileW(Wide(readPath));
  DeleteFileW(Wide(writePath));
  DeleteFileW(Wide(rawWritePath));
  return finished;
}

}  // namespace corvane::bench
