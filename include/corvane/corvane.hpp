// The Corvane plug-in SDK for C++: a header-only layer over the C interface
// of corvane.h (C++17, any compiler that can use corvane_client.dll).
//
// What it adds to the C interface:
//   - corvane::Session owns a session and closes it in its destructor, which
//     ends a broker it started. It is move-only.
//   - Texts go in as std::wstring_view and come out as std::wstring; file
//     contents and raw frames as std::vector<uint8_t>; lists are split.
//   - Every call answers a Result<T>: the value, or a Status and a message.
//     KeyExists/FileExists answer Result<bool>, true or false, where the
//     broker itself says Ok or NotFound.
//
// Why results and not exceptions: plug-in hosts are often built without
// exceptions, and a refusal by the broker (Denied, NotFound) is an ordinary
// answer that a caller handles where it asked, not an exceptional event.
// Result is [[nodiscard]], so an unchecked answer is a compiler warning.
// Nothing here throws, except std::bad_alloc from the standard containers.
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

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "corvane/corvane.h"

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

// The value of a successful call, or the Status and a message of a failed
// one. value() may only be asked of an ok() result; a failed result holds a
// value-initialised T, never garbage.
template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}  // NOLINT: implicit by design
  Result(Status status, std::string message) : status_(status), message_(std::move(message)) {}

  bool ok() const { return status_ == Status::Ok; }
  explicit operator bool() const { return ok(); }
  Status status() const { return status_; }
  // Empty on success; otherwise what went wrong, at least the status's name.
  const std::string& message() const { return message_; }

  const T& value() const& { return value_; }
  T& value() & { return value_; }
  T&& value() && { return std::move(value_); }
  const T& operator*() const& { return value_; }
  const T* operator->() const { return &value_; }
  T value_or(T fallback) const& { return ok() ? value_ : std::move(fallback); }

 private:
  T value_{};
  Status status_ = Status::Ok;
  std::string message_;
};

template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Status status, std::string message) : status_(status), message_(std::move(message)) {}

  bool ok() const { return status_ == Status::Ok; }
  explicit operator bool() const { return ok(); }
  Status status() const { return status_; }
  const std::string& message() const { return message_; }

 private:
  Status status_ = Status::Ok;
  std::string message_;
};

// The whole answer of Session::Request: the broker's status and text.
struct Reply {
  Status status = Status::Ok;
  std::wstring text;
};

// One entry of Session::ListValues; `text` is empty for non-string values.
struct NamedValue {
  std::wstring name;
  std::wstring text;
};

namespace detail {

struct BufferFree {
  void operator()(corvane_buffer* buffer) const { corvane_buffer_free(buffer); }
};
using Buffer = std::unique_ptr<corvane_buffer, BufferFree>;

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

  // Starts a broker serving `servedProcessId` (0: this process) and
  // connects, waiting up to `connectTimeoutMs` for its pipe (0: one try).
  // `brokerPath` empty: corvane-broker.exe in the folder of the module that
  // holds the client (corvane_client.dll).
  static Result<Session> Start(std::wstring_view brokerPath = {}, uint32_t servedProcessId = 0,
                               uint32_t connectTimeoutMs = CORVANE_DEFAULT_CONNECT_TIMEOUT_MS) {
    corvane_session* raw = nullptr;
    const corvane_result r = corvane_start_with_timeout(brokerPath.data(), brokerPath.size(),
                                                        servedProcessId, connectTimeoutMs, &raw);
    if (r != CORVANE_OK) return Failure(nullptr, r);
    return Session(raw);
  }
  // Connects to a running broker: its --ipc= name or a full \\.\pipe\ name,
  // waiting up to `connectTimeoutMs` for it to appear or become free.
  static Result<Session> Attach(std::wstring_view ipcName,
                                uint32_t connectTimeoutMs = CORVANE_DEFAULT_CONNECT_TIMEOUT_MS) {
    corvane_session* raw = nullptr;
    const corvane_result r =
        corvane_attach_with_timeout(ipcName.data(), ipcName.size(), connectTimeoutMs, &raw);
    if (r != CORVANE_OK) return Failure(nullptr, r);
    return Session(raw);
  }

  ~Session() { Close(); }
  Session(Session&& other) noexcept : session_(std::exchange(other.session_, nullptr)) {}
  Session& operator=(Session&& other) noexcept {
    if (this != &other) {
      Close();
      session_ = std::exchange(other.session_, nullptr);
    }
    return *this;
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Closes the pipe (a broker this session started then ends). Later calls
  // answer Closed.
  void Close() {
    corvane_close(session_);
    session_ = nullptr;
  }
  bool IsOpen() const { return session_ != nullptr; }
  // The C handle, for calls this layer does not wrap; still owned here.
  corvane_session* get() const { return session_; }

  // How long a request waits for its answer (default 30000 ms); 0 is refused
  // (InvalidArgument).
  Result<void> SetTimeout(uint32_t milliseconds) {
    return Done(corvane_set_timeout(session_, milliseconds));
  }

  // Any operation as given. Every broker answer (Ok, Denied, ...) is a
  // successful Result whose Reply carries the status; only client errors
  // fail the Result.
  Result<Reply> Request(Operation operation, Hive hive, std::wstring_view path,
                        std::wstring_view name = {}, std::wstring_view data = {}) {
    corvane_buffer* raw = nullptr;
    const corvane_result r = corvane_request(
        session_, static_cast<uint32_t>(operation), static_cast<int32_t>(hive), path.data(),
        path.size(), name.data(), name.size(), data.data(), data.size(), &raw);
    const detail::Buffer text(raw);
    if (r < 0) return Fail(r);
    return Reply{static_cast<Status>(r), text ? detail::TextOf(text.get()) : std::wstring()};
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
    if (!text.ok()) return Failed{text.status(), text.message()};
    return detail::SplitItems(text.value());
  }
  Result<std::vector<NamedValue> > ListValues(Hive hive, std::wstring_view key) {
    corvane_buffer* raw = nullptr;
    const corvane_result r = corvane_list_values(session_, H(hive), key.data(), key.size(), &raw);
    auto text = TextAnswer(r, detail::Buffer(raw));
    if (!text.ok()) return Failed{text.status(), text.message()};
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

  // The private pipe's handle value, valid in process `processId` (0: this
  // one). When the broker could not make it, Failed with its system error
  // code in the message.
  Result<uint64_t> GetPluginChannel(uint32_t processId = 0) {
    uint64_t handle = 0;
    uint32_t systemError = 0;
    const corvane_result r = corvane_get_plugin_channel(session_, processId, &handle, &systemError);
    if (r == CORVANE_FAILED) {
      return {Status::Failed, "the broker could not make the channel (system error " +
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
  explicit Session(corvane_session* session) : session_(session) {}

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
  // A failure that becomes a Result of any type.
  struct Failed {
    Status status;
    std::string message;
    template <typename T>
    operator Result<T>() && {  // NOLINT: implicit by design
      return Result<T>(status, std::move(message));
    }
  };
  static Failed Failure(const corvane_session* session, corvane_result r) {
    return {static_cast<Status>(r), Describe(session, r)};
  }
  // A failure of a call on this session; an empty one answers Closed, where
  // the C interface would see a null session as a bad argument.
  Failed Fail(corvane_result r) const {
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
};

}  // namespace corvane

#endif  // C++17
#endif  // CORVANE_CORVANE_HPP
