#include "bench/wine/server_session.h"

// After windows.h, whose types it uses.
#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>

#include "bench/wine/bench_clock.h"
#include "win/scoped_handle.h"

namespace corvane::bench {

namespace {
constexpr DWORD kConnectTimeoutMs = 20000;
constexpr DWORD kExitTimeoutMs = 20000;
}  // namespace

bool ServerSession::StartBroker() {
  const std::wstring pipe = UniquePipeName(L"corvane-bench");
  if (!process.Start(kBrokerProgram, BrokerArguments(pipe))) {
    std::printf("# cannot start %ls (error %lu)\n", kBrokerProgram, GetLastError());
    return false;
  }
  return Connect(pipe);
}

bool ServerSession::StartEcho(const std::wstring& io, const std::wstring& reply,
                              const std::wstring& extra) {
  const std::wstring pipe = UniquePipeName(L"corvane-bench-echo");
  if (!process.Start(kEchoProgram,
                     L"--pipe=" + pipe + L" --io=" + io + L" --reply=" + reply + L" " + extra)) {
    std::printf("# cannot start %ls (error %lu)\n", kEchoProgram, GetLastError());
    return false;
  }
  return Connect(pipe);
}

bool ServerSession::Connect(const std::wstring& pipe) {
  if (client.Connect(pipe, kConnectTimeoutMs, process.handle())) return true;
  std::printf("# cannot connect to %ls\n", pipe.c_str());
  return false;
}

double ServerSession::RoundTrip(const std::vector<uint8_t>& request, std::vector<uint8_t>& reply) {
  const double start = NowMicros();
  if (!client.Write(request) || !client.ReadFrame(reply)) return -1.0;
  const double end = NowMicros();
  firstBytesAfter_ = client.firstBytesAt() - start;
  return end - start;
}

double ServerSession::CpuMicros() const {
  // The sum over the server's threads: under Wine, GetProcessTimes on
  // another process's handle reports several times what the kernel counts
  // for a process whose work runs outside its first thread (the broker's
  // channel thread), while each thread's times match it. Threads that have
  // ended are not counted; the servers' threads live as long as they do.
  const DWORD id = GetProcessId(process.handle());
  const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (id == 0 || !snapshot) return 0.0;
  const auto micros = [](const FILETIME& t) {
    return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
           10.0;
  };
  double total = 0.0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot.get(), &entry); more;
       more = Thread32Next(snapshot.get(), &entry)) {
    if (entry.th32OwnerProcessID != id) continue;
    const UniqueHandle thread(
        OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID));
    FILETIME created, exited, kernel, user;
    if (thread && GetThreadTimes(thread.get(), &created, &exited, &kernel, &user))
      total += micros(kernel) + micros(user);
  }
  return total;
}

bool ServerSession::ReadMemory(Memory& memory) const {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process.handle(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                            sizeof counters)) {
    std::printf("# cannot read the server's memory counters (error %lu)\n", GetLastError());
    return false;
  }
  memory.workingSet = static_cast<double>(counters.WorkingSetSize);
  memory.peakWorkingSet = static_cast<double>(counters.PeakWorkingSetSize);
  // Wine leaves PrivateUsage empty for another process; PagefileUsage is
  // the same figure (committed private memory).
  memory.privateBytes = static_cast<double>(counters.PrivateUsage != 0 ? counters.PrivateUsage
                                                                       : counters.PagefileUsage);
  return true;
}

bool ServerSession::Finish() {
  client.Close();
  DWORD code = 0;
  if (!process.WaitForExit(kExitTimeoutMs, code)) {
    std::printf("# server did not exit after the client closed\n");
    return false;
  }
  if (code != 0) {
    std::printf("# server exited with code %lu\n", code);
    return false;
  }
  return true;
}

}  // namespace corvane::bench
