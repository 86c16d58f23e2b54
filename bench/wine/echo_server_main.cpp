// corvane-bench-echo: the raw named-pipe baseline of the benchmark. It
// serves one client on a pipe created with the broker's parameters and
// answers every frame, either with the frame itself or with a prepared
// reply of a given size, without decoding anything.
//   --pipe=<name>            the pipe's name without its \\.\pipe\ prefix
//   --io=overlapped|plain    overlapped I/O through the broker's own
//                            transport (a fresh event per operation), or
//                            plain blocking ReadFile/WriteFile
//   --reply=echo|<units>     echo each frame, or answer a reply 7 whose text
//                            has <units> code units
//   --fresh                  build that reply anew for every frame (fresh
//                            memory each time, as the broker's replies are)
// Exit code 0 when the client closes the pipe, 1 on any failure.

#include <windows.h>
// After windows.h, whose types they use.
#include <shellapi.h>

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "bench/wine/bench_frames.h"
#include "ipc/pipe_transport.h"
#include "win/scoped_handle.h"

namespace {

constexpr DWORD kOpenMode = PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE;
constexpr DWORD kReadSize = 4096;

struct Options {
  std::wstring pipe;
  bool overlapped = true;
  bool echo = true;
  size_t replyUnits = 0;
  bool fresh = false;
};

bool ParseOptions(Options& options) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr) return false;
  bool ok = true;
  for (int i = 1; i < argc; ++i) {
    const std::wstring a = argv[i];
    if (a.starts_with(L"--pipe=")) {
      options.pipe = a.substr(7);
    } else if (a == L"--io=overlapped") {
      options.overlapped = true;
    } else if (a == L"--io=plain") {
      options.overlapped = false;
    } else if (a == L"--fresh") {
      options.fresh = true;
    } else if (a == L"--reply=echo") {
      options.echo = true;
    } else if (a.starts_with(L"--reply=")) {
      options.echo = false;
      options.replyUnits = static_cast<size_t>(std::wcstoull(a.c_str() + 8, nullptr, 10));
    } else {
      ok = false;
    }
  }
  LocalFree(argv);
  return ok && !options.pipe.empty();
}

// Bytes of complete frames, cut from what the reads delivered.
class FrameSplitter {
 public:
  void Append(const uint8_t* data, size_t size) { bytes_.insert(bytes_.end(), data, data + size); }
  // The size of the frame at the front once all of it is there; 0 before.
  // `bad` when the front is not a frame.
  size_t Ready(bool& bad) const {
    bad = false;
    if (bytes_.size() < 32) return 0;
    uint32_t magic;
    uint32_t words;
    std::memcpy(&magic, bytes_.data(), 4);
    std::memcpy(&words, bytes_.data() + 24, 4);
    if (magic != 0x4D4F524Bu || words < 5 || words > 0x800000u) {
      bad = true;
      return 0;
    }
    return bytes_.size() >= size_t{words} * 8 ? size_t{words} * 8 : 0;
  }
  const uint8_t* data() const { return bytes_.data(); }
  void Consume(size_t size) {
    bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(size));
  }

 private:
  std::vector<uint8_t> bytes_;
};

// Answers the frames in `frames`; false when the client sent garbage or the
// answer could not be written.
template <class WriteFn>
bool AnswerReady(FrameSplitter& frames, const Options& options, const std::vector<uint8_t>& reply,
                 WriteFn&& write) {
  for (;;) {
    bool bad = false;
    const size_t size = frames.Ready(bad);
    if (bad) return false;
    if (size == 0) return true;
    bool ok = false;
    if (options.echo) {
      ok = write(frames.data(), size);
    } else if (options.fresh) {
      const std::vector<uint8_t> built = corvane::bench::ReplyFrame(options.replyUnits);
      ok = write(built.data(), built.size());
    } else {
      ok = write(reply.data(), reply.size());
    }
    if (!ok) return false;
    frames.Consume(size);
  }
}

int ServeOverlapped(const std::wstring& path, const Options& options,
                    const std::vector<uint8_t>& reply) {
  HANDLE pipe = CreateNamedPipeW(path.c_str(), kOpenMode | FILE_FLAG_OVERLAPPED,
                                 PIPE_REJECT_REMOTE_CLIENTS, 1, 4096, 4096, 2000, nullptr);
  PipeTransportWithMessagePump transport;
  if (!transport.AttachAndConnect(pipe, true)) return 1;
  FrameSplitter frames;
  for (;;) {
    size_t got = 0;
    const uint8_t* bytes = transport.Read(got);
    if (bytes == nullptr || got == 0) return 0;
    frames.Append(bytes, got);
    if (!AnswerReady(frames, options, reply,
                     [&](const void* data, size_t size) { return transport.Write(data, size); })) {
      return 1;
    }
  }
}

int ServePlain(const std::wstring& path, const Options& options,
               const std::vector<uint8_t>& reply) {
  corvane::UniqueHandle pipe(CreateNamedPipeW(path.c_str(), kOpenMode, PIPE_REJECT_REMOTE_CLIENTS,
                                              1, 4096, 4096, 2000, nullptr));
  if (!pipe) return 1;
  if (!ConnectNamedPipe(pipe.get(), nullptr) && GetLastError() != ERROR_PIPE_CONNECTED) return 1;
  FrameSplitter frames;
  std::vector<uint8_t> buffer(kReadSize);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(pipe.get(), buffer.data(), kReadSize, &got, nullptr) || got == 0) {
      DisconnectNamedPipe(pipe.get());
      return 0;
    }
    frames.Append(buffer.data(), got);
    if (!AnswerReady(frames, options, reply, [&](const void* data, size_t size) {
          const auto* next = static_cast<const uint8_t*>(data);
          while (size != 0) {
            DWORD written = 0;
            if (!WriteFile(pipe.get(), next, static_cast<DWORD>(size), &written, nullptr) ||
                written == 0) {
              return false;
            }
            next += written;
            size -= written;
          }
          return true;
        })) {
      return 1;
    }
  }
}

int Run() {
  Options options;
  if (!ParseOptions(options)) return 1;
  const std::vector<uint8_t> reply =
      options.echo ? std::vector<uint8_t>() : corvane::bench::ReplyFrame(options.replyUnits);
  const std::wstring path = L"\\\\.\\pipe\\" + options.pipe;
  return options.overlapped ? ServeOverlapped(path, options, reply)
                            : ServePlain(path, options, reply);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    return Run();
  } catch (...) {
    return 1;
  }
}
