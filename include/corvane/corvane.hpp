// The Corvane plug-in SDK for C++: a header-only layer over the C interface
// of corvane.h (C++17, any compiler that can use corvane_client.dll).
//
// What it adds to the C interface:
//   - corvane::Session owns a session and closes it in its destructor, which
//     ends a broker it started. It is move-only. Session::Start takes a
//     StartOptions (broker path, served process, time-out, diagnostics).
//   - Texts go in as std::wstring_view and come out as std::wstring; file
//     contents and raw frames as std::vector<uint8_t>; lists are split;
//     time-outs are std::chrono::milliseconds.
//   - Every call answers a Result<T>, shaped like std::expected<T, Error>:
//     has_value() (or ok(), or the result itself in a condition), value(),
//     *, ->, value_or(), and error() with a Status and a message. Every
//     status but Ok is a failure: a refusal (Denied) is a failed Result with
//     Status::Denied, on Request() as on every other call. KeyExists and
//     FileExists answer Result<bool>, true or false, where the broker itself
//     says Ok or NotFound.
//   - GetPluginChannel() answers an owning PluginChannel.
//
// Why results and not exceptions: plug-in hosts are often built without
// exceptions, and a refusal by the broker (Denied, NotFound) is an ordinary
// answer that a caller handles where it asked, not an exceptional event.
// Result is [[nodiscard]], so an unchecked answer is a compiler warning.
// Asking a failed Result for its value (value(), *, ->) is a bug in the
// caller, not an answer: it throws corvane::BadResultAccess, or, built
// without exceptions, ends the program with std::abort(); it never hands out
// a made-up value. Nothing else here throws, except std::bad_alloc from the
// standard containers.
//
// Threads and ownership are those of corvane.h: a Session may be used from
// any thread, but by one thread at a time.
#ifndef CORVANE_CORVANE_HPP
#define CORVANE_CORVANE_HPP

// MSVC reports the standard in _MSVC_LANG (__cplusplus only with
// /Zc:__cplusplus). Below C++17 the rest is skipped, so that the one error
// below is all the compiler says.
#if defined(_MSVC_LANG)
#define CORVANE_HPP_LANGUAGE _MSVC_LANG
#else
#define CORVANE_HPP_LANGUAGE __cplusplus
#endif
#if CORVANE_HPP_LANGUAGE < 201703L
#error \
    "corvane.hpp needs C++17 or later (-std=c++17, /std:c++17); from C or older C++ use corvane.h"
#else

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "corvane/corvane.h"

// Whether the including program is built with exceptions (GCC and clang:
// __cpp_exceptions; MSVC: _CPPUNWIND with /EHsc).
#if defined(__cpp_exceptions) || defined(_CPPUNWIND)
#define CORVANE_HPP_EXCEPTIONS 1
#else
#define CORVANE_HPP_EXCEPTIONS 0
#endif

#if defined(_WIN32)
// PluginChannel closes its handle; declared as <windows.h> declares it, so
// that this header need not bring in <windows.h> and its macros.
extern "C" __declspec(dllimport) int __stdcall CloseHandle(void* object);
#endif

namespace corvane {

// The broker's statuses (0..4) and the client's own errors (negative): the
// codes of corvane_result.
enum class Status : int32_t {
  Ok = CORVANE_OK,
  NotFound = CORVANE_NOT_FOUND,
  Denied = CORVANE_DENIED,
  Failed = CORVANE_FAILED,
  Invalid = CORVANE_INVALID,
  InvalidArgument = CORVANE_E_INVALID_ARGUMENT,
  Closed = CORVANE_E_CLOSED,
  StartFailed = CORVANE_E_START_FAILED,
  BrokerGone = CORVANE_E_BROKER_GONE,
  TimedOut = CORVANE_E_TIMED_OUT,
  Malformed = CORVANE_E_MALFORMED,
  IoFailed = CORVANE_E_IO_FAILED,
  BufferTooSmall = CORVANE_E_BUFFER_TOO_SMALL,
  OutOfMemory = CORVANE_E_OUT_OF_MEMORY,
  Internal = CORVANE_E_INTERNAL,
};

// "Ok", "NotFound", ..., "InvalidArgument", ...; "Unknown" otherwise.
inline const char* StatusName(Status status) {
  return corvane_result_name(static_cast<corvane_result>(status));
}

// True for the broker's answers, false for the client's own errors.
inline bool IsBrokerStatus(Status status) {
  return static_cast<int32_t>(status) >= 0;
}

enum class Hive : int32_t {
  CurrentUser = CORVANE_HKCU,   // read and write below the Corvane keys
  LocalMachine = CORVANE_HKLM,  // read only
};

enum class Operation : uint32_t {
  ReadString = CORVANE_OP_READ_STRING,
  WriteString = CORVANE_OP_WRITE_STRING,
  ReadDword = CORVANE_OP_READ_DWORD,
  WriteDword = CORVANE_OP_WRITE_DWORD,
  DeleteValue = CORVANE_OP_DELETE_VALUE,
  DeleteKey = CORVANE_OP_DELETE_KEY,
  DeleteKeyTree = CORVANE_OP_DELETE_KEY_TREE,
  KeyExists = CORVANE_OP_KEY_EXISTS,
  ListSubkeys = CORVANE_OP_LIST_SUBKEYS,
  ListValues = CORVANE_OP_LIST_VALUES,
  Ping = CORVANE_OP_PING,
  ReadQword = CORVANE_OP_READ_QWORD,
  WriteQword = CORVANE_OP_WRITE_QWORD,
  FileRead = CORVANE_OP_FILE_READ,
  FileWrite = CORVANE_OP_FILE_WRITE,
  FileExists = CORVANE_OP_FILE_EXISTS,
  FileDelete = CORVANE_OP_FILE_DELETE,
  ShellOpen = CORVANE_OP_SHELL_OPEN,
  CopyKeyTree = CORVANE_OP_COPY_KEY_TREE,
  FileCopy = CORVANE_OP_FILE_COPY,
  FileExport = CORVANE_OP_FILE_EXPORT,
};

// The operation's name in the broker's table ("read-string"), or null.
inline const char* OperationName(Operation operation) {
  return corvane_operation_name(static_cast<uint32_t>(operation));
}

// What a failed call says: its Status and a message, at least the status's
// name ("Denied"), for a client error also its text ("TimedOut: ...").
struct Error {
  Status status = Status::Ok;
  std::string message;
};

// Thrown by value(), * and -> of a failed Result; what() is its message.
class BadResultAccess : public std::logic_error {
 public:
  explicit BadResultAccess(const Error& error)
      : std::logic_error(error.message), status_(error.status) {}
  Status status() const noexcept { return status_; }

 private:
  Status status_;
};

inline constexpr std::chrono::milliseconds kDefaultConnectTimeout{
    CORVANE_DEFAULT_CONNECT_TIMEOUT_MS};
inline constexpr std::chrono::milliseconds kDefaultReplyTimeout{CORVANE_DEFAULT_REPLY_TIMEOUT_MS};

namespace detail {

[[noreturn]] inline void BadAccess(const Error& error) {
#if CORVANE_HPP_EXCEPTIONS
  throw BadResultAccess(error);
#else
  (void)error;
  std::abort();
#endif
}

// What a result holds once its value was moved out: a failure, so that it
// no longer claims a value.
inline Error MovedOut() {
  return Error{Status::Closed, "Closed: the value was moved out"};
}

inline const Error& NoError() noexcept {
  static const Error none;
  return none;
}

// The C interface's milliseconds: below 0 is 0, above its range its maximum.
inline uint32_t Milliseconds(std::chrono::milliseconds duration) {
  if (duration.count() <= 0) return 0;
  if (duration.count() >= 0xFFFFFFFF) return 0xFFFFFFFFu;
  return static_cast<uint32_t>(duration.count());
}

}  // namespace detail

// The value of a successful call, or the Error of a failed one.
template <typename T>
class [[nodiscard]] Result {
 public:
  using value_type = T;
  using error_type = Error;

  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}      // NOLINT: implicit
  Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}  // NOLINT: implicit
  Result(Status status, std::string message) : Result(Error{status, std::move(message)}) {}

  bool has_value() const noexcept { return state_.index() == 0; }
  bool ok() const noexcept { return has_value(); }
  explicit operator bool() const noexcept { return has_value(); }

  // The failure; for a successful result Status::Ok and an empty message.
  const Error& error() const noexcept {
    return has_value() ? detail::NoError() : std::get<1>(state_);
  }
  Status status() const noexcept { return error().status; }
  const std::string& message() const noexcept { return error().message; }

  // The value; BadResultAccess (or std::abort) for a failed result.
  T& value() & { return Checked(); }
  const T& value() const& { return Checked(); }
  // Moves the value out; the result is then a failure (Status::Closed).
  T value() && {
    Checked();
    Error moved = detail::MovedOut();
    T out = std::move(std::get<0>(state_));
    state_.template emplace<1>(std::move(moved));
    return out;
  }
  T& operator*() & { return Checked(); }
  const T& operator*() const& { return Checked(); }
  T operator*() && { return std::move(*this).value(); }
  T* operator->() { return &Checked(); }
  const T* operator->() const { return &Checked(); }

  // The value, or `fallback` for a failed result.
  template <typename U>
  T value_or(U&& fallback) const& {
    return has_value() ? std::get<0>(state_) : static_cast<T>(std::forward<U>(fallback));
  }
  template <typename U>
  T value_or(U&& fallback) && {
    return has_value() ? std::move(*this).value() : static_cast<T>(std::forward<U>(fallback));
  }

 private:
  T& Checked() {
    if (!has_value()) detail::BadAccess(std::get<1>(state_));
    return std::get<0>(state_);
  }
  const T& Checked() const {
    if (!has_value()) detail::BadAccess(std::get<1>(state_));
    return std::get<0>(state_);
  }

  std::variant<T, Error> state_;
};

template <>
class [[nodiscard]] Result<void> {
 public:
  using value_type = void;
  using error_type = Error;

  Result() = default;
  Result(Error error) : error_(std::move(error)), failed_(true) {}  // NOLINT: implicit
  Result(Status status, std::string message) : Result(Error{status, std::move(message)}) {}

  bool has_value() const noexcept { return !failed_; }
  bool ok() const noexcept { return has_value(); }
  explicit operator bool() const noexcept { return has_value(); }
  const Error& error() const noexcept { return error_; }
  Status status() const noexcept { return error_.status; }
  const std::string& message() const noexcept { return error_.message; }
  // Nothing for a successful result; BadResultAccess (or std::abort) otherwise.
  void value() const {
    if (failed_) detail::BadAccess(error_);
  }

 private:
  Error error_;
  bool failed_ = false;
};

// One entry of Session::ListValues; `text` is empty for non-string values.
struct NamedValue {
  std::wstring name;
  std::wstring text;
};

// A plug-in channel's pipe handle in this process, owned: closed when the
// PluginChannel goes, unless release() handed it over first.
class PluginChannel {
 public:
  PluginChannel() = default;
  explicit PluginChannel(uint64_t handle) noexcept : handle_(handle) {}
  ~PluginChannel() { reset(); }
  PluginChannel(PluginChannel&& other) noexcept : handle_(other.release()) {}
  PluginChannel& operator=(PluginChannel&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  PluginChannel(const PluginChannel&) = delete;
  PluginChannel& operator=(const PluginChannel&) = delete;

  explicit operator bool() const noexcept { return handle_ != 0; }
  // The handle value; still owned here.
  uint64_t get() const noexcept { return handle_; }
  // The same as a HANDLE.
  void* native_handle() const noexcept {
    return reinterpret_cast<void*>(static_cast<uintptr_t>(handle_));
  }
  // Hands the handle over: the caller closes it (CloseHandle).
  uint64_t release() noexcept { return std::exchange(handle_, 0); }
  // Closes the handle held, if any, and holds `handle` instead.
  void reset(uint64_t handle = 0) noexcept {
#if defined(_WIN32)
    if (handle_ != 0) ::CloseHandle(native_handle());
#endif
    handle_ = handle;
  }

 private:
  uint64_t handle_ = 0;
};

// How Session::Start starts a broker.
struct StartOptions {
  // The broker executable; empty: corvane-broker.exe in the folder of the
  // module that holds the client (corvane_client.dll).
  std::wstring brokerPath;
  // The process whose end ends the broker; 0: this one.
  uint32_t servedProcessId = 0;
  // How long to wait for the broker's pipe; 0 tries once.
  std::chrono::milliseconds connectTimeout = kDefaultConnectTimeout;
  // Set: the broker runs as this process's debuggee and each of its
  // diagnostic lines comes here, on the session's debugger thread, before
  // the request that caused it returns (corvane_start_with_diagnostics: do
  // not call the session from it; the cost and the failure when a host
  // forbids debugging are described there). An exception it throws is
  // dropped with its line. No call comes once the session is closed.
  std::function<void(std::string_view line)> onDiagnostic;
};

namespace detail {

struct BufferFree {
  void operator()(corvane_buffer* buffer) const { corvane_buffer_free(buffer); }
};
using Buffer = std::unique_ptr<corvane_buffer, BufferFree>;

using DiagnosticHandler = std::function<void(std::string_view line)>;

// The C callback of a session with diagnostics: `context` is the session's
// DiagnosticHandler. Nothing thrown leaves it: it runs on the debugger thread.
inline void CORVANE_CALL DeliverDiagnostic(void* context, const char* line,
                                           size_t length) noexcept {
#if CORVANE_HPP_EXCEPTIONS
  try {
    (*static_cast<DiagnosticHandler*>(context))(std::string_view(line, length));
  } catch (...) {
  }
#else
  (*static_cast<DiagnosticHandler*>(context))(std::string_view(line, length));
#endif
}

inline std::wstring TextOf(const corvane_buffer* buffer) {
  size_t length = 0;
  const wchar_t* text = corvane_buffer_text(buffer, &length);
  return text != nullptr ? std::wstring(text, length) : std::wstring();
}

inline std::vector<uint8_t> BytesOf(const corvane_buffer* buffer) {
  size_t size = 0;
  const uint8_t* bytes = corvane_buffer_bytes(buffer, &size);
  return bytes != nullptr ? std::vector<uint8_t>(bytes, bytes + size) : std::vector<uint8_t>();
}

// Splits "a\0b\0" into {"a", "b"}; every item ends in one U+0000.
inline std::vector<std::wstring> SplitItems(const std::wstring& joined) {
  std::vector<std::wstring> items;
  size_t start = 0;
  while (start < joined.size()) {
    size_t end = joined.find(L'\0', start);
    if (end == std::wstring::npos) end = joined.size();
    items.emplace_back(joined, start, end - start);
    start = end + 1;
  }
  return items;
}

}  // namespace detail

class Session {
 public:
  // An empty session, as after a move; every call on it answers Closed.
  Session() = default;

  // Starts a broker and connects to it, as `options` say.
  static Result<Session> Start(StartOptions options = {}) {
    corvane_session* raw = nullptr;
    const std::wstring& path = options.brokerPath;
    const uint32_t timeout = detail::Milliseconds(options.connectTimeout);
    if (!options.onDiagnostic) {
      const corvane_result r = corvane_start_with_timeout(path.data(), path.size(),
                                                          options.servedProcessId, timeout, &raw);
      if (r != CORVANE_OK) return Failure(nullptr, r);
      return Session(raw, nullptr);
    }
    // On the heap, so that the address the callback is given stays put when
    // the Session moves.
    auto handler = std::make_unique<detail::DiagnosticHandler>(std::move(options.onDiagnostic));
    const corvane_result r =
        corvane_start_with_diagnostics(path.data(), path.size(), options.servedProcessId, timeout,
                                       &detail::DeliverDiagnostic, handler.get(), &raw);
    if (r != CORVANE_OK) return Failure(nullptr, r);
    return Session(raw, std::move(handler));
  }
  // Connects to a running broker: its --ipc= name or a full \\.\pipe\ name,
  // waiting up to `connectTimeout` for it to appear or become free (0: one
  // try).
  static Result<Session> Attach(std::wstring_view ipcName,
                                std::chrono::milliseconds connectTimeout = kDefaultConnectTimeout) {
    corvane_session* raw = nullptr;
    const corvane_result r = corvane_attach_with_timeout(
        ipcName.data(), ipcName.size(), detail::Milliseconds(connectTimeout), &raw);
    if (r != CORVANE_OK) return Failure(nullptr, r);
    return Session(raw, nullptr);
  }

  ~Session() { Close(); }
  Session(Session&& other) noexcept
      : session_(std::exchange(other.session_, nullptr)),
        diagnostics_(std::move(other.diagnostics_)) {}
  Session& operator=(Session&& other) noexcept {
    if (this != &other) {
      Close();
      session_ = std::exchange(other.session_, nullptr);
      diagnostics_ = std::move(other.diagnostics_);
    }
    return *this;
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Closes the pipe (a broker this session started then ends). Later calls
  // answer Closed; no diagnostic line comes after this returns.
  void Close() {
    corvane_close(session_);  // joins the debugger thread, if any
    session_ = nullptr;
    diagnostics_.reset();
  }
  bool IsOpen() const { return session_ != nullptr; }
  // The C handle, for calls this layer does not wrap; still owned here.
  corvane_session* get() const { return session_; }

  // How long a request waits for its answer (kDefaultReplyTimeout at
  // first); 0 or less is refused (InvalidArgument).
  Result<void> SetTimeout(std::chrono::milliseconds timeout) {
    return Done(corvane_set_timeout(session_, detail::Milliseconds(timeout)));
  }

  // Any operation as given: the reply's text when the broker answers Ok.
  // Any other answer is a failure with its status, as for every other call
  // (the broker's text is empty then).
  Result<std::wstring> Request(Operation operation, Hive hive, std::wstring_view path,
                               std::wstring_view name = {}, std::wstring_view data = {}) {
    corvane_buffer* raw = nullptr;
    const corvane_result r = corvane_request(
        session_, static_cast<uint32_t>(operation), static_cast<int32_t>(hive), path.data(),
        path.size(), name.data(), name.size(), data.data(), data.size(), &raw);
    return TextAnswer(r, detail::Buffer(raw));
  }
  // ---- Registry --------------------------------------------------------

  Result<std::wstring> ReadString(Hive hive, std::wstring_view key, std::wstring_view name) {
    corvane_buffer* raw = nullptr;
    const corvane_result r = corvane_read_string(session_, H(hive), key.data(), key.size(),
                                                 name.data(), name.size(), &raw);
    return TextAnswer(r, detail::Buffer(raw));
  }
  Result<void> WriteString(Hive hive, std::wstring_view key, std::wstring_view name,
                           std::wstring_view value) {
    return Done(corvane_write_string(session_, H(hive), key.data(), key.size(), name.data(),
                                     name.size(), value.data(), value.size()));
  }
  Result<uint32_t> ReadDword(Hive hive, std::wstring_view key, std::wstring_view name) {
    uint32_t value = 0;
    const corvane_result r = corvane_read_dword(session_, H(hive), key.data(), key.size(),
                                                name.data(), name.size(), &value);
    return Answer(r, value);
  }
  Result<void> WriteDword(Hive hive, std::wstring_view key, std::wstring_view name,
                          uint32_t value) {
    return Done(corvane_write_dword(session_, H(hive), key.data(), key.size(), name.data(),
                                    name.size(), value));
  }
  Result<uint64_t> ReadQword(Hive hive, std::wstring_view key, std::wstring_view name) {
    uint64_t value = 0;
    const corvane_result r = corvane_read_qword(session_, H(hive), key.data(), key.size(),
                                                name.data(), name.size(), &value);
    return Answer(r, value);
  }
  Result<void> WriteQword(Hive hive, std::wstring_view key, std::wstring_view name,
                          uint64_t value) {
    return Done(corvane_write_qword(session_, H(hive), key.data(), key.size(), name.data(),
                                    name.size(), value));
  }
  Result<void> DeleteValue(Hive hive, std::wstring_view key, std::wstring_view name) {
    return Done(
        corvane_delete_value(session_, H(hive), key.data(), key.size(), name.data(), name.size()));
  }
  Result<void> DeleteKey(Hive hive, std::wstring_view key) {
    return Done(corvane_delete_key(session_, H(hive), key.data(), key.size()));
  }
  Result<void> DeleteKeyTree(Hive hive, std::wstring_view key) {
    return Done(corvane_delete_key_tree(session_, H(hive), key.data(), key.size()));
  }
  // True or false; a refusal (Denied) is a failed Result, not false.
  Result<bool> KeyExists(Hive hive, std::wstring_view key) {
    int exists = 0;
    const corvane_result r = corvane_key_exists(session_, H(hive), key.data(), key.size(), &exists);
    return Answer(r, exists != 0);
  }
  Result<std::vector<std::wstring> > ListSubkeys(Hive hive, std::wstring_view key) {
    corvane_buffer* raw = nullptr;
    const corvane_result r = corvane_list_subkeys(session_, H(hive), key.data(), key.size(), &raw);
    auto text = TextAnswer(r, detail::Buffer(raw));
    if (!text) return text.error();
    return detail::SplitItems(text.value());
  }
  Result<std::vector<NamedValue> > ListValues(Hive hive, std::wstring_view key) {
    corvane_buffer* raw = nullptr;
    const corvane_result r = corvane_list_values(session_, H(hive), key.data(), key.size(), &raw);
    auto text = TextAnswer(r, detail::Buffer(raw));
    if (!text) return text.error();
    std::vector<std::wstring> items = detail::SplitItems(text.value());
    std::vector<NamedValue> values;
    for (size_t i = 0; i + 1 < items.size(); i += 2) {
      values.push_back({std::move(items[i]), std::move(items[i + 1])});
    }
    return values;
  }
  Result<void> CopyKeyTree(Hive hive, std::wstring_view from, std::wstring_view to) {
    return Done(
        corvane_copy_key_tree(session_, H(hive), from.data(), from.size(), to.data(), to.size()));
  }

  // ---- Files -------------------------------------------------------------

  Result<std::vector<uint8_t> > FileRead(std::wstring_view path) {
    corvane_buffer* raw = nullptr;
    const corvane_result r = corvane_file_read(session_, path.data(), path.size(), &raw);
    const detail::Buffer contents(raw);
    if (r != CORVANE_OK) return Fail(r);
    return detail::BytesOf(contents.get());
  }
  Result<void> FileWrite(std::wstring_view path, const uint8_t* contents, size_t size) {
    return Done(corvane_file_write(session_, path.data(), path.size(), contents, size));
  }
  Result<void> FileWrite(std::wstring_view path, const std::vector<uint8_t>& contents) {
    return FileWrite(path, contents.data(), contents.size());
  }
  // True or false (a folder counts as existing); a refusal is a failed Result.
  Result<bool> FileExists(std::wstring_view path) {
    int exists = 0;
    const corvane_result r = corvane_file_exists(session_, path.data(), path.size(), &exists);
    return Answer(r, exists != 0);
  }
  Result<void> FileDelete(std::wstring_view path) {
    return Done(corvane_file_delete(session_, path.data(), path.size()));
  }
  Result<void> FileCopy(std::wstring_view source, std::wstring_view destination) {
    return Done(corvane_file_copy(session_, source.data(), source.size(), destination.data(),
                                  destination.size()));
  }
  Result<void> FileExport(std::wstring_view source, std::wstring_view destination) {
    return Done(corvane_file_export(session_, source.data(), source.size(), destination.data(),
                                    destination.size()));
  }

  // ---- Shell, ping, keep-alive ------------------------------------------

  Result<void> ShellOpen(std::wstring_view target) {
    return Done(corvane_shell_open(session_, target.data(), target.size()));
  }
  Result<void> Ping() { return Done(corvane_ping(session_)); }
  Result<void> KeepAlive() { return Done(corvane_keep_alive(session_)); }

  // ---- The plug-in channel ----------------------------------------------

  // A private pipe whose server end the broker places in this process, owned
  // by the PluginChannel. When the broker could not make it, Failed with its
  // system error code in the message.
  Result<PluginChannel> GetPluginChannel() {
    auto handle = GetPluginChannelFor(0);
    if (!handle) return handle.error();
    return PluginChannel(handle.value());
  }
  // The same for process `processId` (0: this one): the handle value is
  // valid in that process, which owns it and closes it.
  Result<uint64_t> GetPluginChannelFor(uint32_t processId) {
    uint64_t handle = 0;
    uint32_t systemError = 0;
    const corvane_result r = corvane_get_plugin_channel(session_, processId, &handle, &systemError);
    if (r == CORVANE_FAILED) {
      return Error{Status::Failed, "Failed: the broker could not make the channel (system error " +
                                       std::to_string(systemError) + ")"};
    }
    return Answer(r, handle);
  }

  // ---- Raw frames, for experts (see docs/protocol.md) --------------------

  Result<void> SendFrame(const std::vector<uint8_t>& frame) {
    return Done(corvane_send_frame(session_, frame.data(), frame.size()));
  }
  Result<std::vector<uint8_t> > ReadFrame() {
    corvane_buffer* raw = nullptr;
    const corvane_result r = corvane_read_frame(session_, &raw);
    const detail::Buffer frame(raw);
    if (r != CORVANE_OK) return Fail(r);
    return detail::BytesOf(frame.get());
  }

 private:
  explicit Session(corvane_session* session, std::unique_ptr<detail::DiagnosticHandler> diagnostics)
      : session_(session), diagnostics_(std::move(diagnostics)) {}

  static int32_t H(Hive hive) { return static_cast<int32_t>(hive); }

  // The status's name, and for a client error the session's text for it.
  static std::string Describe(const corvane_session* session, corvane_result r) {
    std::string text = corvane_result_name(r);
    if (r < 0) {
      const std::string detail = corvane_last_error(session);
      if (!detail.empty()) text += ": " + detail;
    }
    return text;
  }
  static Error Failure(const corvane_session* session, corvane_result r) {
    return {static_cast<Status>(r), Describe(session, r)};
  }
  // A failure of a call on this session; an empty one answers Closed, where
  // the C interface would see a null session as a bad argument.
  Error Fail(corvane_result r) const {
    if (session_ == nullptr) return {Status::Closed, "Closed: the session is closed"};
    return Failure(session_, r);
  }
  Result<void> Done(corvane_result r) const {
    if (r == CORVANE_OK) return {};
    return Fail(r);
  }
  template <typename T>
  Result<T> Answer(corvane_result r, T value) const {
    if (r == CORVANE_OK) return value;
    return Fail(r);
  }
  Result<std::wstring> TextAnswer(corvane_result r, const detail::Buffer& text) const {
    if (r != CORVANE_OK) return Fail(r);
    return text ? detail::TextOf(text.get()) : std::wstring();
  }

  corvane_session* session_ = nullptr;
  // The callback's target while the session runs with diagnostics.
  std::unique_ptr<detail::DiagnosticHandler> diagnostics_;
};

}  // namespace corvane

#endif  // C++17
#endif  // CORVANE_CORVANE_HPP
