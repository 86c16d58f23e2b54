// The real broker killed at moments spread over a large copy, a large export
// and a write: each time the destination holds its whole old or its whole
// new contents, and the next request for it leaves nothing beside it. The
// disk is checked directly; the tally of each kind is printed for the record.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "protocol/hex_text.h"
#include "tests/files/file_tree_snapshot.h"
#include "tests/files/local_files.h"
#include "tests/support/broker_suite.h"
#include "win/folders.h"

namespace {

using namespace corvane::test;
using enum corvane::BrokerOperation;
using enum corvane::BrokerStatus;
using Clock = std::chrono::steady_clock;

constexpr int kKills = 6;
constexpr size_t kMiB = 1 << 20;

// A header, then words holding their own offset mixed with `seed`: a torn
// or shifted file equals neither whole.
std::vector<uint8_t> Recognisable(const std::string& header, size_t size, uint64_t seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i + 8 <= size; i += 8) {
    const uint64_t word = (i + seed) * 0x9E3779B97F4A7C15ull;
    std::memcpy(&bytes[i], &word, 8);
  }
  std::memcpy(bytes.data(), header.data(), header.size());
  return bytes;
}

// A request that puts `fresh` over `old` at `destination`, and a small one
// for the same destination (`next`). A write has no source and names its
// destination as its path.
struct Kind {
  const char* what;
  corvane::BrokerOperation operation;
  std::u16string destination, source, nextSource;
  std::vector<uint8_t> old, fresh;

  bool writes() const { return operation == FileWrite; }
  std::u16string Path(bool next) const {
    return writes() ? destination : next ? nextSource : source;
  }
  std::u16string Name() const { return writes() ? u"" : destination; }
  std::u16string Data(bool next) const {
    return !writes() ? u"" : next ? u"6869" : corvane::HexText::Encode(fresh);
  }
  std::u16string Folder() const { return destination.substr(0, destination.rfind(u'\\')); }
};

std::string Outcome(const std::vector<uint8_t>& found, const Kind& kind) {
  if (found == kind.old) return "old";
  if (found == kind.fresh) return "new";
  if (found == Bytes("<missing>")) return "missing";
  const bool start = found.size() < kind.fresh.size() &&
                     std::equal(found.begin(), found.end(), kind.fresh.begin());
  return (start ? "partial " : "other ") + std::to_string(found.size());
}

class CrashSafety : public BrokerSuite {
 protected:
  void SetUp() override {
    const std::u16string temp = corvane::TempFolder();
    const std::u16string pdfs = u"C:\\corvane-crash-sources", images = temp + u"\\corvane-crash";
    folders = {pdfs, images, temp + u"\\corvane-crash-copy", u"C:\\corvane-crash-export",
               corvane::AppDataFolder() + u"\\corvane\\crash-write"};
    for (const auto& folder : folders) {
      RemoveTree(folder);
      MakeFolders(folder);
    }
    kinds = {{"FileCopy", FileCopy, folders[2] + u"\\earlier.pdf", pdfs + u"\\big.pdf",
              pdfs + u"\\small.pdf", Recognisable("%PDF-1.4 old", 8 * kMiB, 1),
              Recognisable("%PDF-1.7 new", 24 * kMiB, 2)},
             {"FileExport", FileExport, folders[3] + u"\\photo.png", images + u"\\big.png",
              images + u"\\small.png", Recognisable("\x89PNG\r\n\x1a\nold", 4 * kMiB, 3),
              Recognisable("\x89PNG\r\n\x1a\nnew", 16 * kMiB, 4)},
             {"FileWrite",
              FileWrite,
              folders[4] + u"\\state.bin",
              {},
              {},
              Recognisable("old", kMiB / 2, 5),
              Recognisable("new", kMiB, 6)}};
    for (const auto& kind : kinds) {
      if (kind.writes()) continue;
      ASSERT_TRUE(WriteBytes(kind.source, kind.fresh));
      ASSERT_TRUE(WriteBytes(kind.nextSource, Bytes("%PDF- \x89PNG small")));
    }
  }
  void TearDown() override {
    for (const auto& folder : folders) RemoveTree(folder);
  }

  // Sends the request of `kind` from a thread of its own and waits until the
  // broker starts to change the destination's folder. Then it waits for the
  // answer, or with `kill` waits that long and kills the broker. `acting`
  // is the time from the first change on; the result, whether it answered.
  static bool Run(const Kind& kind, std::optional<Clock::duration> kill, Clock::duration& acting) {
    auto& session = Session();
    // The folder's time changes with its entries, the destination's when
    // it is written in place or removed.
    const auto state = [&kind] {
      return std::pair(LastWriteTime(kind.Folder()), LastWriteTime(kind.destination));
    };
    const auto before = state();
    std::atomic<bool> answered = false, done = false;
    std::thread request([&, path = kind.Path(false), data = kind.Data(false)] {
      answered = session.connection
                     .Request(OperationCode(kind.operation),
                              HiveCode(corvane::RegistryHive::CurrentUser), path, kind.Name(), data)
                     .ok();
      done = true;
    });
    while (!done && state() == before) std::this_thread::yield();
    const auto acts = Clock::now();
    if (kill) {
      std::this_thread::sleep_for(*kill);
      session.process.Terminate(1);
      session.process.WaitForExit();
    }
    request.join();
    acting = Clock::now() - acts;
    return answered;
  }

  std::vector<std::u16string> folders;
  std::vector<Kind> kinds;
};

TEST_F(CrashSafety, KilledRequestLeavesTheDestinationWholeAndNothingBeside) {
  for (const Kind& kind : kinds) {
    const auto begun = Clock::now();
    // Untouched requests (the second one warm) tell how long the broker acts
    // on the destination: the kills are spread over that time.
    Clock::duration acting{};
    for (int run = 0; run < 2; ++run) {
      ASSERT_TRUE(WriteBytes(kind.destination, kind.old));
      ASSERT_TRUE(Run(kind, std::nullopt, acting)) << kind.what;
      ASSERT_EQ(ReadBytes(kind.destination), kind.fresh) << kind.what;
    }
    std::string tally;
    for (int k = 0; k < kKills; ++k) {
      ASSERT_TRUE(WriteBytes(kind.destination, kind.old));
      Clock::duration unused{};
      const bool answered = Run(kind, acting * (2 * k + 1) / (2 * kKills), unused);
      const std::string outcome = Outcome(ReadBytes(kind.destination), kind);
      EXPECT_TRUE(outcome == "old" || outcome == "new")
          << kind.what << " kill " << k << ": " << outcome;
      tally += " " + outcome + (answered ? " (answered)" : "") +
               (Snapshot(kind.Folder()).size() > 1 ? " +tmp" : "");

      Relaunch();
      ASSERT_FALSE(HasFatalFailure());
      EXPECT_EQ(Send(kind.operation, kind.Path(true), kind.Name(), kind.Data(true)).status, Ok)
          << kind.what << " after kill " << k;
      FileTree left = Snapshot(kind.Folder());
      EXPECT_EQ(left.size(), 1u) << kind.what << " after kill " << k;
      EXPECT_EQ(left.count(LowerPath(kind.destination)), 1u) << kind.what;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - begun).count();
    std::printf("%s: %d kills over %.3f s of acting:%s; %.1f s in all\n", kind.what, kKills,
                std::chrono::duration<double>(acting).count(), tally.c_str(), seconds);
  }
}

}  // namespace
