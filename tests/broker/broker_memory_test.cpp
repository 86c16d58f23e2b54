// The real broker keeps the storage of large replies and requests while
// requests keep coming and gives it back once the plug-in has been quiet for
// a moment: each 4 MiB read still answers exactly the frame of its hex text,
// each large write leaves exactly its bytes on disk, and a little after the
// last one the broker's private bytes are back near what they were once
// connected.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, whose types it uses.
#include <psapi.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ipc/kept_storage.h"
#include "ipc/message_shapes.h"
#include "protocol/hex_text.h"
#include "protocol/operations.h"
#include "requests/file_primitives.h"
#include "tests/files/local_files.h"
#include "tests/support/broker_suite.h"
#include "win/folders.h"

namespace {

using namespace corvane::test;

constexpr double kMiB = 1024.0 * 1024.0;

// Committed private memory; Wine reports it as PagefileUsage for another
// process.
double PrivateBytes(HANDLE process) {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                            sizeof counters)) {
    return -1.0;
  }
  return static_cast<double>(counters.PrivateUsage != 0 ? counters.PrivateUsage
                                                        : counters.PagefileUsage);
}

std::vector<uint8_t> Contents(size_t size, uint8_t seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 251 + seed);
  return bytes;
}

std::vector<uint8_t> ReadReplyFrame(corvane::client::BrokerConnection& connection) {
  std::vector<uint8_t> frame;
  auto message = connection.ReadMessage(&frame);
  if (!message) ADD_FAILURE() << message.error().message;
  return frame;
}

TEST(BrokerMemory, LargeReadsAndWritesAreExactAndStorageIsGivenBackWhenIdle) {
  const std::u16string folder = corvane::AppDataFolder() + u"\\corvane";
  MakeFolders(folder);
  const std::u16string large = folder + u"\\broker-memory-4mib.bin";
  const std::u16string odd = folder + u"\\broker-memory-odd.bin";
  const std::u16string empty = folder + u"\\broker-memory-empty.bin";
  const std::u16string written = folder + u"\\broker-memory-written.bin";
  const std::vector<uint8_t> largeBytes =
      Contents(static_cast<size_t>(corvane::kMaxFileReadBytes), 1);
  const std::vector<uint8_t> oddBytes = Contents(1000003, 2), none;
  const std::vector<uint8_t> writeBytes = Contents(1 << 20, 3), shorterBytes = Contents(300001, 4);
  ASSERT_TRUE(WriteBytes(large, largeBytes));
  ASSERT_TRUE(WriteBytes(odd, oddBytes));
  ASSERT_TRUE(WriteBytes(empty, none));
  // Largest first: the requests after it are served in the storage it left,
  // and the writes in storage an earlier, larger write left.
  const struct {
    corvane::BrokerOperation operation;
    const std::u16string* path;
    const std::vector<uint8_t>* bytes;
  } kSteps[] = {
      {corvane::BrokerOperation::FileRead, &large, &largeBytes},
      {corvane::BrokerOperation::FileWrite, &written, &writeBytes},
      {corvane::BrokerOperation::FileRead, &odd, &oddBytes},
      {corvane::BrokerOperation::FileWrite, &written, &shorterBytes},
      {corvane::BrokerOperation::FileWrite, &written, &writeBytes},
      {corvane::BrokerOperation::FileRead, &large, &largeBytes},
      {corvane::BrokerOperation::FileRead, &empty, &none},
  };

  BrokerSession session = LaunchBroker();
  ASSERT_TRUE(session.connection.SendBytes(PingFrame()));
  ASSERT_TRUE(NextIsPong(session.connection));
  const double connected = PrivateBytes(session.process.handle());
  ASSERT_GT(connected, 0.0);

  for (const auto& step : kSteps) {
    const bool write = step.operation == corvane::BrokerOperation::FileWrite;
    ASSERT_TRUE(session.connection.SendBytes(Request(
        step.operation, *step.path, u"", write ? corvane::HexText::Encode(*step.bytes) : u"")));
    const std::vector<uint8_t> frame = ReadReplyFrame(session.connection);
    const std::vector<uint8_t> expected =
        EncodeMessage(ipc::kMsgBrokerReply,
                      {ipc::MsgParam::Scalar(ipc::kInt32, 0),
                       ipc::MsgParam::Text16(write ? u"" : corvane::HexText::Encode(*step.bytes))});
    ASSERT_EQ(frame.size(), expected.size());
    EXPECT_TRUE(frame == expected) << step.bytes->size() << " bytes";
    if (write) {
      EXPECT_TRUE(ReadBytes(written) == *step.bytes) << step.bytes->size() << " bytes";
    }
  }

  // Given back after the idle time; waiting for it is not a speed test, so
  // the wait is generous for a loaded machine.
  double idle = 0.0;
  for (int i = 0; i < 100; ++i) {
    Sleep(ipc::kKeptStorageIdleMs / 5);
    idle = PrivateBytes(session.process.handle());
    if (idle - connected <= kMiB) break;
  }
  EXPECT_LE(idle - connected, kMiB) << "connected " << connected << ", idle " << idle;

  // And the session goes on.
  ASSERT_TRUE(session.connection.SendBytes(PingFrame()));
  EXPECT_TRUE(NextIsPong(session.connection));
  for (const auto* path : {&large, &odd, &empty, &written}) DeleteFileW(W(*path));
}

}  // namespace
