// Hundreds of sessions of random and damaged input against the real
// corvane-broker.exe. Each must end with the broker still serving or gone
// with exit code 0: never an exception code, never hung, never a malformed
// reply. The seed is printed first; CORVANE_ROBUSTNESS_SEED replays a run,
// CORVANE_ROBUSTNESS_SESSION replays one session of it, and
// CORVANE_ROBUSTNESS_SESSIONS changes how many run.
#include <windows.h>
// After windows.h, whose types it uses.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "plugin/client/broker_process.h"
#include "tests/robustness/base_frames.h"
#include "tests/robustness/frame_mutator.h"
#include "tests/robustness/hostile_session.h"

namespace corvane::test {
namespace {

constexpr uint64_t kDefaultSeed = 20261207;
constexpr size_t kDefaultSessions = 200;
// Sessions run side by side: each mostly waits for Wine, not for the CPU.
constexpr size_t kWorkers = 6;

bool FromEnvironment(const char* name, uint64_t& value) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') return false;
  value = std::strtoull(text, nullptr, 0);
  return true;
}

std::u16string AppDataCorvane() {
  wchar_t folder[MAX_PATH] = {};
  if (SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, folder) < 0) return u"C:\\missing";
  std::u16string path(reinterpret_cast<const char16_t*>(folder));
  path += u"\\corvane";
  CreateDirectoryW(reinterpret_cast<const wchar_t*>(path.c_str()), nullptr);
  return path;
}

uint64_t SessionSeed(uint64_t seed, uint64_t session) {
  Rng rng(seed ^ (session * 0x9E3779B97F4A7C15ull));
  return rng.Next();
}

TEST(BrokerRobustness, SurvivesHostileSessions) {
  uint64_t seed = kDefaultSeed;
  FromEnvironment("CORVANE_ROBUSTNESS_SEED", seed);
  uint64_t sessions = kDefaultSessions;
  FromEnvironment("CORVANE_ROBUSTNESS_SESSIONS", sessions);
  uint64_t only = 0;
  const bool single = FromEnvironment("CORVANE_ROBUSTNESS_SESSION", only);
  std::printf("robustness seed: %llu (CORVANE_ROBUSTNESS_SEED), sessions: %llu\n",
              static_cast<unsigned long long>(seed), static_cast<unsigned long long>(sessions));
  std::fflush(stdout);
  RecordProperty("seed", std::to_string(seed));

  SessionSetup setup;
  setup.brokerPath = client::DefaultBrokerPath();
  setup.baseFrames = BaseFrames(AppDataCorvane());

  std::vector<uint64_t> plan;
  if (single) {
    plan.push_back(only);
  } else {
    for (uint64_t i = 0; i < sessions; ++i) plan.push_back(i);
  }
  std::vector<SessionReport> reports(plan.size());
  std::atomic<size_t> next{0};
  auto worker = [&]() noexcept {
    for (size_t i = next++; i < plan.size(); i = next++) {
      try {
        reports[i] = RunHostileSession(setup, SessionSeed(seed, plan[i]));
      } catch (...) {
        reports[i].passed = false;
        reports[i].failure = "the session threw";
      }
    }
  };
  std::vector<std::thread> threads;
  for (size_t w = 0; w < kWorkers; ++w) threads.emplace_back(worker);
  for (auto& t : threads) t.join();

  size_t served = 0;
  size_t stopped = 0;
  size_t waiting = 0;
  size_t closed = 0;
  size_t bytes = 0;
  for (size_t i = 0; i < plan.size(); ++i) {
    const SessionReport& r = reports[i];
    bytes += r.inputBytes;
    if (!r.passed) {
      ADD_FAILURE() << "session " << plan[i] << ": " << r.failure
                    << "\n  replay: CORVANE_ROBUSTNESS_SEED=" << seed
                    << " CORVANE_ROBUSTNESS_SESSION=" << plan[i];
      continue;
    }
    switch (r.ending) {
      case SessionEnding::Served:
        ++served;
        break;
      case SessionEnding::Stopped:
        ++stopped;
        break;
      case SessionEnding::Waiting:
        ++waiting;
        break;
      case SessionEnding::Closed:
        ++closed;
        break;
    }
  }
  std::printf(
      "sessions: %zu, input bytes: %zu; still serving: %zu, stopped: %zu, "
      "waiting for more input: %zu, closed at once: %zu\n",
      plan.size(), bytes, served, stopped, waiting, closed);
  // What the requests may have left behind in the prefix.
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Corvane\\RobustnessTest");
  const std::u16string file = AppDataCorvane() + u"\\robustness-test.bin";
  DeleteFileW(reinterpret_cast<const wchar_t*>(file.c_str()));
  DeleteFileW(reinterpret_cast<const wchar_t*>((file + u".tmp").c_str()));
}

}  // namespace
}  // namespace corvane::test
