#include "tests/robustness/hostile_session.h"

#include <windows.h>

#include <cstdio>

#include "plugin/client/broker_process.h"
#include "tests/robustness/base_frames.h"
#include "tests/robustness/draining_pipe_client.h"
#include "tests/robustness/frame_mutator.h"
#include "tests/robustness/reply_stream.h"

namespace corvane::test {

namespace {

// Generous bounds: the machine may be busy, but nothing here should take
// more than a fraction of them.
constexpr DWORD kStartMs = 30000;
constexpr DWORD kIoMs = 30000;
constexpr DWORD kExitMs = 30000;
// How long a broker that neither answers nor stops gets to answer a ping.
constexpr DWORD kFinalPingMs = 400;

Bytes HostileInput(Rng& rng, const std::vector<Bytes>& frames) {
  switch (rng.Below(4)) {
    case 0:
      return RandomGarbage(rng, 16 * 1024);
    case 1:
      return MutatedFrames(rng, frames);
    case 2: {  // valid requests first, then damage
      Bytes input;
      for (uint64_t n = rng.Below(4); n != 0; --n) {
        const Bytes& f = frames[rng.Below(frames.size())];
        input.insert(input.end(), f.begin(), f.end());
      }
      const Bytes bad = MutatedFrames(rng, frames);
      input.insert(input.end(), bad.begin(), bad.end());
      return input;
    }
    default: {  // a long run of damaged frames
      Bytes input;
      for (uint64_t n = 2 + rng.Below(12); n != 0; --n) {
        const Bytes bad = MutatedFrames(rng, frames);
        input.insert(input.end(), bad.begin(), bad.end());
      }
      return input;
    }
  }
}

std::string Describe(IoOutcome outcome) {
  switch (outcome) {
    case IoOutcome::Done:
      return "done";
    case IoOutcome::Ended:
      return "pipe ended";
    case IoOutcome::TimedOut:
      return "timed out";
    default:
      return "failed with error " + std::to_string(GetLastError());
  }
}

bool PongsAtLeast(const std::vector<uint8_t>& bytes, size_t n) {
  const ReplyScan scan = ScanReplies(bytes);
  return scan.malformed || scan.pongs >= n;
}

}  // namespace

SessionReport RunHostileSession(const SessionSetup& setup, uint64_t seed) {
  SessionReport report;
  Rng rng(seed);
  const std::u16string ipc = client::MakeUniqueIpcName();
  auto started = client::StartBroker(setup.brokerPath, ipc, GetCurrentProcessId());
  if (!started) {
    report.failure = "cannot start the broker: " + started.error().message;
    return report;
  }
  client::BrokerProcess& broker = started.value();
  // A broker still running when the session gives up is ended here, by its
  // own handle, so that a failure does not leave it behind.
  struct Reaper {
    client::BrokerProcess& process;
    ~Reaper() {
      if (!process.ExitCode()) {
        process.Terminate(99);
        process.WaitForExit(kExitMs);
      }
    }
  } reaper{broker};

  DrainingPipeClient pipe;
  const std::wstring path = L"\\\\.\\pipe\\" + std::wstring(ipc.begin(), ipc.end());
  if (!pipe.Connect(path, kStartMs, broker.handle())) {
    report.failure = "cannot connect to the broker";
    return report;
  }
  // The broker serves before anything hostile arrives (a client that left
  // before the broker took the connection would make it fail to start).
  const Bytes ping = PingFrame();
  IoOutcome io = pipe.Write(ping.data(), ping.size(), kIoMs);
  if (io == IoOutcome::Done) {
    io = pipe.WaitFor([](const std::vector<uint8_t>& b) { return PongsAtLeast(b, 1); }, kIoMs);
  }
  if (io != IoOutcome::Done || ScanReplies(pipe.received()).pongs != 1) {
    report.failure = "no pong before the hostile input: " + Describe(io);
    return report;
  }

  const Bytes input = HostileInput(rng, setup.baseFrames);
  report.inputBytes = input.size();
  size_t at = 0;
  for (const size_t chunk : RandomChunks(rng, input.size())) {
    io = pipe.Write(input.data() + at, chunk, kIoMs);
    if (io == IoOutcome::Ended) break;
    if (io != IoOutcome::Done) {
      report.failure = "writing the input: " + Describe(io);
      return report;
    }
    at += chunk;
    if (rng.Percent(5)) Sleep(static_cast<DWORD>(rng.Below(3)));
  }

  // Does it still serve? The ping may also complete a frame the input left
  // open, or be swallowed by one; either is fine.
  report.ending = SessionEnding::Waiting;
  if (!pipe.ended() && rng.Percent(25)) {
    report.ending = SessionEnding::Closed;  // whatever state the input left
  } else if (!pipe.ended()) {
    const size_t before = ScanReplies(pipe.received()).pongs;
    io = pipe.Write(ping.data(), ping.size(), kIoMs);
    if (io == IoOutcome::Done) {
      io = pipe.WaitFor(
          [before](const std::vector<uint8_t>& b) { return PongsAtLeast(b, before + 1); },
          kFinalPingMs);
    }
    if (io == IoOutcome::Done && ScanReplies(pipe.received()).pongs > before) {
      report.ending = SessionEnding::Served;
    } else if (io == IoOutcome::Ended || pipe.ended()) {
      report.ending = SessionEnding::Stopped;
    } else if (io != IoOutcome::TimedOut) {
      report.failure = "the final ping: " + Describe(io);
      return report;
    }
  } else {
    report.ending = SessionEnding::Stopped;
  }
  if (ScanReplies(pipe.received()).malformed) {
    report.failure = "the broker sent bytes that are not a well-formed reply";
    return report;
  }

  // Closing the pipe ends every broker, whatever state the input left.
  pipe.Close();
  const auto code = broker.WaitForExit(kExitMs);
  if (!code) {
    report.failure = "the broker did not exit after the pipe closed (hung)";
    return report;
  }
  if (*code != 0) {
    char text[64];
    std::snprintf(text, sizeof text, "the broker exited with code 0x%08lX",
                  static_cast<unsigned long>(*code));
    report.failure = text;
    return report;
  }
  report.passed = true;
  return report;
}

}  // namespace corvane::test
