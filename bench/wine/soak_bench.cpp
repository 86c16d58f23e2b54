// Soak: one broker session serving many mixed requests (successes,
// refusals, malformed arguments, messages without a reply), with the
// broker's working set, private bytes and handle count sampled after a
// warm-up, in the middle and at the end. Any growth over the second half is
// a leak.

#include <windows.h>
// After windows.h, whose types they use.
#include <shlobj.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/wine/bench_clock.h"
#include "bench/wine/bench_frames.h"
#include "bench/wine/bench_sections.h"
#include "bench/wine/report.h"
#include "bench/wine/server_session.h"
#include "ipc/message_shapes.h"
#include "ipc/send_msg.h"
#include "protocol/operations.h"

namespace corvane::bench {

namespace {

constexpr double kMemorySlackBytes = 256.0 * 1024.0;

struct Step {
  std::vector<uint8_t> frame;
  int32_t status;  // expected; -1: the broker sends no reply
};

struct Sample {
  double workingSet = 0, peakWorkingSet = 0, privateBytes = 0, handles = 0;
};

// The handles that `processId` holds, from the system's handle list: Wine
// answers the per-process handle count of another process with 0.
bool CountHandles(DWORD processId, double& count) {
  struct Entry {
    ULONG ownerPid;
    BYTE objectType;
    BYTE flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
  };
  struct Table {
    ULONG count;
    Entry entries[1];
  };
  constexpr auto kSystemHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(16);
  std::vector<uint8_t> buffer(1 << 20);
  for (int attempt = 0; attempt < 8; ++attempt) {
    ULONG needed = 0;
    const NTSTATUS status = NtQuerySystemInformation(kSystemHandleInformation, buffer.data(),
                                                     static_cast<ULONG>(buffer.size()), &needed);
    if (status == static_cast<NTSTATUS>(0xC0000004L)) {  // the table grew: try larger
      buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
      continue;
    }
    if (status < 0) return false;
    const auto* table = reinterpret_cast<const Table*>(buffer.data());
    size_t n = 0;
    for (ULONG i = 0; i < table->count; ++i) {
      if (table->entries[i].ownerPid == processId) ++n;
    }
    count = static_cast<double>(n);
    return true;
  }
  return false;
}

bool TakeSample(const ServerSession& broker, Sample& s) {
  ServerSession::Memory memory;
  if (!broker.ReadMemory(memory)) return false;
  const HANDLE process = broker.process.handle();
  DWORD handles = 0;
  if (GetProcessHandleCount(process, &handles) && handles != 0) {
    s.handles = handles;
  } else if (!CountHandles(GetProcessId(process), s.handles)) {
    std::printf("# cannot count the broker's handles\n");
    return false;
  }
  s.workingSet = memory.workingSet;
  s.peakWorkingSet = memory.peakWorkingSet;
  s.privateBytes = memory.privateBytes;
  return true;
}

void PrintSample(const char* when, const Sample& s) {
  const std::string w = when;
  Figure(("soak_" + w + "_working_set").c_str(), s.workingSet / 1024.0, "KiB");
  Figure(("soak_" + w + "_peak_working_set").c_str(), s.peakWorkingSet / 1024.0, "KiB");
  Figure(("soak_" + w + "_private_bytes").c_str(), s.privateBytes / 1024.0, "KiB");
  Figure(("soak_" + w + "_handles").c_str(), s.handles, "handles");
}

std::u16string CorvaneAppData() {
  wchar_t folder[MAX_PATH] = {};
  if (SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, folder) < 0) return {};
  std::u16string path(reinterpret_cast<const char16_t*>(folder));
  path += u"\\corvane";
  CreateDirectoryW(reinterpret_cast<const wchar_t*>(path.c_str()), nullptr);
  return path;
}

// Request 6 whose hive is a text: the service drops it without a reply.
std::vector<uint8_t> WrongTypeRequest() {
  ipc::MsgParam p[5] = {ipc::MsgParam::Scalar(ipc::kInt32, 11), ipc::MsgParam::Text16(u"0"),
                        ipc::MsgParam::Text16(u""), ipc::MsgParam::Text16(u""),
                        ipc::MsgParam::Text16(u"")};
  ipc::MsgParam* params[5] = {&p[0], &p[1], &p[2], &p[3], &p[4]};
  ipc::Encoder encoder;
  ipc::EncodeMsg(encoder, ipc::kMsgBrokerRequest, params, 5);
  const auto* b = static_cast<const uint8_t*>(encoder.data());
  return std::vector<uint8_t>(b, b + encoder.byteSize());
}

std::vector<Step> Mix(const std::u16string& folder) {
  using Op = BrokerOperation;
  const auto op = [](Op o) { return static_cast<uint32_t>(o); };
  const std::u16string key = u"Software\\Corvane\\Soak";
  const std::u16string file = folder + u"\\soak.bin";
  std::u16string hex;
  for (int i = 0; i < 256; ++i) hex += u"a5";
  return {
      {RequestFrame(op(Op::Ping), 0, u"", u"", u""), 0},
      {RequestFrame(op(Op::WriteString), 0, key, u"s", u"soak value"), 0},
      {RequestFrame(op(Op::ReadString), 0, key, u"s", u""), 0},
      {RequestFrame(op(Op::WriteDword), 0, key, u"d", u"12345"), 0},
      {RequestFrame(op(Op::ReadDword), 0, key, u"d", u""), 0},
      {RequestFrame(op(Op::ReadQword), 0, key, u"missing", u""), 1},
      {RequestFrame(op(Op::KeyExists), 0, key, u"", u""), 0},
      {RequestFrame(op(Op::ListValues), 0, key, u"", u""), 0},
      {RequestFrame(op(Op::WriteString), 1, key, u"s", u"x"), 2},
      {RequestFrame(op(Op::ReadString), 0, u"Software\\Other", u"s", u""), 2},
      {RequestFrame(19, 0, key, u"", u""), 4},
      {KeepAliveFrame(), -1},
      {WrongTypeRequest(), -1},
      {RequestFrame(op(Op::FileWrite), 0, file, u"", hex), 0},
      {RequestFrame(op(Op::FileRead), 0, file, u"", u""), 0},
      {RequestFrame(op(Op::FileExists), 0, file, u"", u""), 0},
      {RequestFrame(op(Op::FileWrite), 0, file, u"", u"xyz"), 4},
      {RequestFrame(op(Op::FileDelete), 0, folder + u"\\soak-missing.bin", u"", u""), 0},
  };
}

}  // namespace

bool RunSoakBench(const BenchOptions& options) {
  const std::u16string folder = CorvaneAppData();
  if (folder.empty()) return false;
  const std::vector<Step> mix = Mix(folder);
  ServerSession broker;
  if (!broker.StartBroker()) return false;
  Sample first;
  if (!TakeSample(broker, first)) return false;

  const size_t total = options.soakRequests;
  const size_t warmUp = total / 20;
  const size_t middle = warmUp + (total - warmUp) / 2;
  Sample start, mid, end;
  std::vector<uint8_t> reply;
  const double began = NowMicros();
  for (size_t i = 0; i < total; ++i) {
    const Step& step = mix[i % mix.size()];
    if (!broker.Send(step.frame)) {
      std::printf("# soak: the broker stopped taking requests at %zu\n", i);
      return false;
    }
    if (step.status >= 0) {
      int32_t status = -1;
      std::u16string text;
      if (!broker.client.ReadFrame(reply) || !ParseReply(reply, status, text) ||
          status != step.status) {
        std::printf("# soak: request %zu (step %zu) answered %d, expected %d\n", i, i % mix.size(),
                    status, step.status);
        return false;
      }
    }
    if (i + 1 == warmUp && !TakeSample(broker, start)) return false;
    if (i + 1 == middle && !TakeSample(broker, mid)) return false;
  }
  // The last request had a reply, so the broker is idle in its next read.
  if (!TakeSample(broker, end)) return false;
  const double seconds = (NowMicros() - began) / 1e6;

  std::printf("soak_requests: %zu\n", total);
  Figure("soak_requests_per_s", static_cast<double>(total) / seconds, "requests/s");
  PrintSample("connected", first);
  PrintSample("start", start);
  PrintSample("middle", mid);
  PrintSample("end", end);
  const double handleGrowth = end.handles - start.handles;
  const double privateGrowth = end.privateBytes - mid.privateBytes;
  const double workingGrowth = end.workingSet - mid.workingSet;
  Figure("soak_handle_growth_start_to_end", handleGrowth, "handles");
  Figure("soak_private_growth_middle_to_end", privateGrowth / 1024.0, "KiB");
  Figure("soak_working_set_growth_middle_to_end", workingGrowth / 1024.0, "KiB");
  const bool handlesOk = handleGrowth <= 0;
  const bool memoryOk = privateGrowth <= kMemorySlackBytes && workingGrowth <= kMemorySlackBytes;
  std::printf("soak_no_handle_growth: %s\n", handlesOk ? "met" : "MISSED");
  std::printf("soak_no_memory_growth: %s (slack %.0f KiB over the second half)\n",
              memoryOk ? "met" : "MISSED", kMemorySlackBytes / 1024.0);
  if (!handlesOk) Ratio("soak_handles_end_vs_start", end.handles, start.handles, 1.0);
  if (!memoryOk) Ratio("soak_private_end_vs_middle", end.privateBytes, mid.privateBytes, 1.0);
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Corvane\\Soak");
  DeleteFileW(reinterpret_cast<const wchar_t*>((folder + u"\\soak.bin").c_str()));
  return broker.Finish();
}

}  // namespace corvane::bench
