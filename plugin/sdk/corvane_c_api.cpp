// The C interface of corvane_client.dll, over the client library. Every
// entry point checks what a C caller can get wrong (null pointers,
// impossible lengths, a bad hive, a session whose pipe is gone) before
// anything is sent, and has one guard that keeps any exception (memory
// running out) inside the DLL.
#include <windows.h>

#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "corvane/corvane.h"
#include "plugin/client/broker_session.h"
#include "plugin/client/typed_calls.h"
#include "protocol/hives.h"
#include "protocol/operations.h"
#include "protocol/wire.h"
#include "win/folders.h"
#include "win/wide_text.h"

namespace client = corvane::client;
using corvane::BrokerOperation;
using corvane::BrokerStatus;

struct corvane_session {
  client::BrokerSession broker;  // no process for an attached session
  std::string lastError;
};

// Either a text (replies, lists) or bytes (file contents, frames).
struct corvane_buffer {
  bool isText = false;
  std::u16string text;
  std::vector<uint8_t> bytes;
};

namespace {

// The C constants are the table's codes, row by row, and the statuses and
// hives are the protocol's.
struct NamedOperation {
  uint32_t constant;
  BrokerOperation operation;
};
constexpr NamedOperation kCOperationCodes[] = {
    {CORVANE_OP_READ_STRING, BrokerOperation::ReadString},
    {CORVANE_OP_WRITE_STRING, BrokerOperation::WriteString},
    {CORVANE_OP_READ_DWORD, BrokerOperation::ReadDword},
    {CORVANE_OP_WRITE_DWORD, BrokerOperation::WriteDword},
    {CORVANE_OP_DELETE_VALUE, BrokerOperation::DeleteValue},
    {CORVANE_OP_DELETE_KEY, BrokerOperation::DeleteKey},
    {CORVANE_OP_DELETE_KEY_TREE, BrokerOperation::DeleteKeyTree},
    {CORVANE_OP_KEY_EXISTS, BrokerOperation::KeyExists},
    {CORVANE_OP_LIST_SUBKEYS, BrokerOperation::ListSubkeys},
    {CORVANE_OP_LIST_VALUES, BrokerOperation::ListValues},
    {CORVANE_OP_PING, BrokerOperation::Ping},
    {CORVANE_OP_READ_QWORD, BrokerOperation::ReadQword},
    {CORVANE_OP_WRITE_QWORD, BrokerOperation::WriteQword},
    {CORVANE_OP_FILE_READ, BrokerOperation::FileRead},
    {CORVANE_OP_FILE_WRITE, BrokerOperation::FileWrite},
    {CORVANE_OP_FILE_EXISTS, BrokerOperation::FileExists},
    {CORVANE_OP_FILE_DELETE, BrokerOperation::FileDelete},
    {CORVANE_OP_SHELL_OPEN, BrokerOperation::ShellOpen},
    {CORVANE_OP_COPY_KEY_TREE, BrokerOperation::CopyKeyTree},
    {CORVANE_OP_FILE_COPY, BrokerOperation::FileCopy},
    {CORVANE_OP_FILE_EXPORT, BrokerOperation::FileExport},
};
// Each constant is the code of its operation's row; an operation the SDK
// does not name needs no constant.
constexpr bool CodesMatchTheTable() {
  for (const NamedOperation& named : kCOperationCodes) {
    const corvane::OperationInfo* row = corvane::FindOperation(named.constant);
    if (row == nullptr || row->code != named.operation) return false;
  }
  return true;
}
static_assert(CodesMatchTheTable(), "CORVANE_OP_ constants differ from the operation table");
static_assert(CORVANE_OK == corvane::StatusCode(BrokerStatus::Ok));
static_assert(CORVANE_NOT_FOUND == corvane::StatusCode(BrokerStatus::NotFound));
static_assert(CORVANE_DENIED == corvane::StatusCode(BrokerStatus::Denied));
static_assert(CORVANE_FAILED == corvane::StatusCode(BrokerStatus::Failed));
static_assert(CORVANE_INVALID == corvane::StatusCode(BrokerStatus::Invalid));
static_assert(CORVANE_HKCU == corvane::HiveCode(corvane::RegistryHive::CurrentUser));
static_assert(CORVANE_HKLM == corvane::HiveCode(corvane::RegistryHive::LocalMachine));
static_assert(sizeof(wchar_t) == sizeof(char16_t));
static_assert(CORVANE_DEFAULT_CONNECT_TIMEOUT_MS == client::kDefaultConnectTimeoutMs);
static_assert(CORVANE_DEFAULT_REPLY_TIMEOUT_MS == client::kDefaultReplyTimeoutMs);

// A frame holds at most this many bytes, so no longer text can be sent.
constexpr size_t kMaxTextUnits = corvane::wire::kMaxFrameBytes / sizeof(char16_t);
// File contents travel as two hexadecimal digits per byte.
constexpr size_t kMaxFileBytes = kMaxTextUnits / 2;

// What a C caller got wrong (or a session that can no longer be used),
// found before anything is sent: "<subject> <problem>". Literals only, so
// that finding it never allocates.
struct Misuse {
  const char* subject;
  const char* problem;
  corvane_result code = CORVANE_E_INVALID_ARGUMENT;
};
template <class T>
using Checked = client::Result<T, Misuse>;

corvane_result CodeOf(client::ErrorKind kind) {
  switch (kind) {
    case client::ErrorKind::StartFailed:
      return CORVANE_E_START_FAILED;
    case client::ErrorKind::BrokerGone:
      return CORVANE_E_BROKER_GONE;
    case client::ErrorKind::TimedOut:
      return CORVANE_E_TIMED_OUT;
    case client::ErrorKind::Malformed:
      return CORVANE_E_MALFORMED;
    case client::ErrorKind::IoFailed:
      return CORVANE_E_IO_FAILED;
    case client::ErrorKind::InvalidArgument:
      return CORVANE_E_INVALID_ARGUMENT;
  }
  return CORVANE_E_INTERNAL;
}

// Keeps `message` as the last error if there is memory for it.
corvane_result Record(std::string& lastError, corvane_result code, const char* message) noexcept {
  try {
    lastError = message;
  } catch (...) {
    lastError.clear();
  }
  return code;
}

corvane_result Record(std::string& lastError, const Misuse& misuse) {
  return Record(lastError, misuse.code,
                (misuse.subject + std::string(" ") + misuse.problem).c_str());
}

// What a checked argument hands on: a text as the owned string the client takes.
template <class T>
T Value(T value) {
  return value;
}
std::u16string Value(std::u16string_view text) {
  return std::u16string(text);
}

// The one guard of an entry point. The arguments are judged in order and
// the first misuse is the answer; otherwise `body` runs on their values.
// Whatever it throws (memory running out) ends here: nothing may cross the
// C interface. The entry's text for corvane_last_error goes to `lastError`.
template <class Body, class... Args>
corvane_result Guard(std::string& lastError, Body&& body, Checked<Args>... args) {
  lastError.clear();
  try {
    const std::array<const Misuse*, sizeof...(Args)> misuses{(args ? nullptr : &args.error())...};
    for (const Misuse* misuse : misuses) {
      if (misuse != nullptr) return Record(lastError, *misuse);
    }
    return body(Value(std::move(args).value())...);
  } catch (const std::bad_alloc&) {
    return Record(lastError, CORVANE_E_OUT_OF_MEMORY, "out of memory");
  } catch (...) {
    return Record(lastError, CORVANE_E_INTERNAL, "internal error in corvane_client");
  }
}

corvane_result Fail(corvane_session& s, corvane_result code, const char* message) {
  return Record(s.lastError, code, message);
}

// The pipe is of no further use once the broker has gone. Nor is it when a
// request got no reply in time or another message instead of its reply:
// that reply may still come and would be taken for the answer to the next
// request. Either way the pipe is closed, and later requests are refused as
// CORVANE_E_CLOSED without touching it. Raw frame calls wait for no reply
// of their own, so only a broker that has gone closes theirs.
corvane_result Fail(corvane_session& s, const client::ClientError& error, bool awaitsReply = true) {
  const client::ErrorKind kind = error.kind;
  if (kind == client::ErrorKind::BrokerGone ||
      (awaitsReply &&
       (kind == client::ErrorKind::TimedOut || kind == client::ErrorKind::Malformed))) {
    s.broker.connection.Close();
  }
  return Fail(s, CodeOf(kind), error.message.c_str());
}

// Guard for a call that talks to the broker: `body` gets the session, its
// connection and the values. A closed connection is refused first.
template <class Body, class... Args>
corvane_result Request(corvane_session* session, Body&& body, Checked<Args>... args) {
  if (session == nullptr) return CORVANE_E_INVALID_ARGUMENT;
  const Checked<client::Done> open =
      session->broker.connection.IsOpen()
          ? Checked<client::Done>(client::Done{})
          : Misuse{"the session's connection to the broker", "is closed", CORVANE_E_CLOSED};
  return Guard(
      session->lastError,
      [&](client::Done, auto... values) {
        return body(*session, session->broker.connection, std::move(values)...);
      },
      open, std::move(args)...);
}

Checked<std::u16string_view> Text(const wchar_t* text, size_t length, const char* what) {
  if (text == nullptr && length != 0) return Misuse{what, "is null with a non-zero length"};
  if (length > kMaxTextUnits) return Misuse{what, "is too long for a frame"};
  return length == 0 ? std::u16string_view()
                     : std::u16string_view(corvane::win::Utf16(text), length);
}

Checked<std::span<const uint8_t>> Bytes(const uint8_t* bytes, size_t size, const char* what) {
  if (bytes == nullptr && size != 0) return Misuse{what, "is null with a non-zero size"};
  return std::span<const uint8_t>(bytes, size);
}

template <class T>
Checked<T*> Given(T* pointer, const char* what) {
  if (pointer == nullptr) return Misuse{what, "is null"};
  return pointer;
}

Checked<client::Hive> HiveOf(int32_t hive) {
  if (hive != CORVANE_HKCU && hive != CORVANE_HKLM) {
    return Misuse{"the hive", "is neither CORVANE_HKCU (0) nor CORVANE_HKLM (1)"};
  }
  return static_cast<client::Hive>(hive);
}

// A broker status is 0..4; anything else would read as a client error.
corvane_result StatusOf(corvane_session& s, int32_t status) {
  if (status < CORVANE_OK || status > CORVANE_INVALID) {
    return Fail(s, CORVANE_E_MALFORMED,
                ("the broker answered the unknown status " + std::to_string(status)).c_str());
  }
  return status;
}

corvane_result StatusOf(corvane_session& s, const client::Result<int32_t>& result) {
  return result ? StatusOf(s, result.value()) : Fail(s, result.error());
}

// Where an answer's value goes: numbers as they are, texts and bytes in a buffer.
template <class T>
void Store(T* out, T value) {
  *out = value;
}
void Store(corvane_buffer** out, std::u16string text) {
  *out = new corvane_buffer{true, std::move(text), {}};
}
void Store(corvane_buffer** out, std::vector<uint8_t> bytes) {
  *out = new corvane_buffer{false, {}, std::move(bytes)};
}

// A typed call (`call`, on the connection and the values) that answers a status only.
template <class Call, class... Args>
corvane_result Status(corvane_session* session, Call call, Checked<Args>... args) {
  return Request(
      session,
      [&](corvane_session& s, client::BrokerConnection& c, auto... values) {
        return StatusOf(s, call(c, std::move(values)...));
      },
      std::move(args)...);
}

// A typed call with a value: *out is written only when the status is Ok.
template <class Out, class Call, class... Args>
corvane_result Answer(corvane_session* session, Checked<Out*> out, Call call,
                      Checked<Args>... args) {
  return Request(
      session,
      [&](corvane_session& s, client::BrokerConnection& c, Out* target, auto... values) {
        auto answer = call(c, std::move(values)...);
        if (!answer) return Fail(s, answer.error());
        const corvane_result status = StatusOf(s, answer->status);
        if (status == CORVANE_OK) Store(target, std::move(answer->value));
        return status;
      },
      std::move(out), std::move(args)...);
}

// For the exists tests: the broker's Ok is "yes" and its NotFound "no",
// either an Ok answer.
template <class Call>
auto YesOrNo(Call call) {
  return
      [call](client::BrokerConnection& c, auto... values) -> client::Result<client::Answer<int>> {
        auto status = call(c, std::move(values)...);
        if (!status) return status.error();
        const bool known = *status == CORVANE_OK || *status == CORVANE_NOT_FOUND;
        return client::Answer<int>{known ? CORVANE_OK : *status, *status == CORVANE_OK ? 1 : 0};
      };
}

// A list operation's reply text as it is: items each followed by U+0000.
corvane_result List(corvane_session* session, BrokerOperation op, int32_t hive, const wchar_t* key,
                    size_t keyLength, corvane_buffer** out) {
  return Answer(
      session, Given(out, "the out-parameter"),
      [op](client::BrokerConnection& c, client::Hive checked,
           std::u16string path) -> client::Result<client::Answer<std::u16string>> {
        auto reply = c.Request(corvane::OperationCode(op), corvane::HiveCode(checked),
                               std::move(path), {}, {});
        if (!reply) return reply.error();
        return client::Answer<std::u16string>{reply->status, std::move(reply->text)};
      },
      HiveOf(hive), Text(key, keyLength, "key"));
}

}  // namespace

// ---- Library ---------------------------------------------------------------

const char* CORVANE_CALL corvane_version(void) {
  return CORVANE_VERSION_STRING;
}

const char* CORVANE_CALL corvane_result_name(corvane_result result) {
  switch (result) {
    case CORVANE_E_INVALID_ARGUMENT:
      return "InvalidArgument";
    case CORVANE_E_CLOSED:
      return "Closed";
    case CORVANE_E_START_FAILED:
      return "StartFailed";
    case CORVANE_E_BROKER_GONE:
      return "BrokerGone";
    case CORVANE_E_TIMED_OUT:
      return "TimedOut";
    case CORVANE_E_MALFORMED:
      return "Malformed";
    case CORVANE_E_IO_FAILED:
      return "IoFailed";
    case CORVANE_E_BUFFER_TOO_SMALL:
      return "BufferTooSmall";
    case CORVANE_E_OUT_OF_MEMORY:
      return "OutOfMemory";
    case CORVANE_E_INTERNAL:
      return "Internal";
    default:
      return corvane::StatusName(result);
  }
}

const char* CORVANE_CALL corvane_operation_name(uint32_t operation) {
  // The table's names are literals, so their data is NUL-terminated.
  const corvane::OperationInfo* row = corvane::FindOperation(operation);
  return row != nullptr ? row->name.data() : nullptr;
}

corvane_result CORVANE_CALL corvane_folder(int32_t kind, corvane_buffer** folder) {
  std::string unkept;  // no session or thread keeps this call's text
  return Guard(
      unkept,
      [kind](corvane_buffer** out) {
        // The broker's own look-ups, so that the plug-in's text and the
        // rule's cannot differ.
        std::u16string text;
        if (kind == CORVANE_FOLDER_APPDATA) {
          text = corvane::AppDataFolder();
        } else if (kind == CORVANE_FOLDER_TEMP) {
          text = corvane::TempFolder();
        } else {
          return CORVANE_E_INVALID_ARGUMENT;
        }
        if (text.empty()) return CORVANE_NOT_FOUND;
        Store(out, std::move(text));
        return CORVANE_OK;
      },
      Given(folder, "folder"));
}

// ---- Sessions --------------------------------------------------------------

namespace {

// Why this thread's latest corvane_start or corvane_attach failed: there is
// no session then to keep the text. Every failure, a refused argument
// included, leaves its reason, and success clears it.
thread_local std::string t_lastStartError;

corvane_result StartFailed(const client::ClientError& error) {
  return Record(t_lastStartError, CodeOf(error.kind), error.message.c_str());
}

corvane_result Keep(client::Result<client::BrokerSession> launched, corvane_session** out) {
  if (!launched) return StartFailed(launched.error());
  *out = new corvane_session{std::move(launched).value(), {}};
  return CORVANE_OK;
}

corvane_result Start(const wchar_t* broker_path, size_t broker_path_length,
                     uint32_t served_process_id, uint32_t timeout_ms, corvane_session** session) {
  return Guard(
      t_lastStartError,
      [&](corvane_session** out, std::u16string path) {
        // An empty path is DefaultBrokerPath(): beside the module holding this code.
        return Keep(client::BrokerSession::Launch(std::move(path), served_process_id, timeout_ms),
                    out);
      },
      Given(session, "session"), Text(broker_path, broker_path_length, "broker_path"));
}

// Each line of a debug string, without its line end, as the callback's
// NUL-terminated text.
void DeliverLines(corvane_diagnostic_callback onLine, void* context, std::string_view output) {
  while (!output.empty()) {
    const size_t end = output.find('\n');
    std::string line(output.substr(0, end));
    output.remove_prefix(end == std::string_view::npos ? output.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    onLine(context, line.c_str(), line.size());
  }
}

corvane_result StartWithDiagnostics(const wchar_t* broker_path, size_t broker_path_length,
                                    uint32_t served_process_id, uint32_t timeout_ms,
                                    corvane_diagnostic_callback on_line, void* context,
                                    corvane_session** session) {
  return Guard(
      t_lastStartError,
      [&](corvane_session** out, corvane_diagnostic_callback onLine, std::u16string path) {
        return Keep(client::BrokerSession::LaunchWithDiagnostics(
                        std::move(path), served_process_id, timeout_ms,
                        [onLine, context](std::string_view output) {
                          DeliverLines(onLine, context, output);
                        }),
                    out);
      },
      Given(session, "session"), Given(on_line, "on_line"),
      Text(broker_path, broker_path_length, "broker_path"));
}

corvane_result Attach(const wchar_t* ipc_name, size_t ipc_name_length, uint32_t timeout_ms,
                      corvane_session** session) {
  return Guard(
      t_lastStartError,
      [&](corvane_session** out, std::u16string name) {
        if (name.empty()) return Record(t_lastStartError, {"ipc_name", "is empty"});
        auto connection = client::BrokerConnection::Connect(name, nullptr, timeout_ms);
        if (!connection) return StartFailed(connection.error());
        return Keep(client::BrokerSession{nullptr, client::BrokerProcess(),
                                          std::move(connection).value(), std::move(name)},
                    out);
      },
      Given(session, "session"), Text(ipc_name, ipc_name_length, "ipc_name"));
}

}  // namespace

corvane_result CORVANE_CALL corvane_start(const wchar_t* broker_path, size_t broker_path_length,
                                          uint32_t served_process_id, corvane_session** session) {
  return Start(broker_path, broker_path_length, served_process_id,
               CORVANE_DEFAULT_CONNECT_TIMEOUT_MS, session);
}

corvane_result CORVANE_CALL corvane_start_with_timeout(const wchar_t* broker_path,
                                                       size_t broker_path_length,
                                                       uint32_t served_process_id,
                                                       uint32_t connect_timeout_ms,
                                                       corvane_session** session) {
  return Start(broker_path, broker_path_length, served_process_id, connect_timeout_ms, session);
}

corvane_result CORVANE_CALL corvane_attach(const wchar_t* ipc_name, size_t ipc_name_length,
                                           corvane_session** session) {
  return Attach(ipc_name, ipc_name_length, CORVANE_DEFAULT_CONNECT_TIMEOUT_MS, session);
}

corvane_result CORVANE_CALL corvane_attach_with_timeout(const wchar_t* ipc_name,
                                                        size_t ipc_name_length,
                                                        uint32_t connect_timeout_ms,
                                                        corvane_session** session) {
  return Attach(ipc_name, ipc_name_length, connect_timeout_ms, session);
}

corvane_result CORVANE_CALL corvane_start_with_diagnostics(
    const wchar_t* broker_path, size_t broker_path_length, uint32_t served_process_id,
    uint32_t connect_timeout_ms, corvane_diagnostic_callback on_line, void* context,
    corvane_session** session) {
  return StartWithDiagnostics(broker_path, broker_path_length, served_process_id,
                              connect_timeout_ms, on_line, context, session);
}

void CORVANE_CALL corvane_close(corvane_session* session) {
  // Destroying the session closes the pipe, which ends the broker; under the
  // debugger the loop's thread is joined after that.
  delete session;
}

corvane_result CORVANE_CALL corvane_set_timeout(corvane_session* session, uint32_t milliseconds) {
  if (session == nullptr) return CORVANE_E_INVALID_ARGUMENT;
  return Guard(
      session->lastError,
      [session](uint32_t timeout) {
        session->broker.connection.SetReplyTimeout(timeout);
        return CORVANE_OK;
      },
      milliseconds != 0 ? Checked<uint32_t>(milliseconds)
                        : Misuse{"a time-out of 0 ms", "would close the session"});
}

const char* CORVANE_CALL corvane_last_error(const corvane_session* session) {
  return session != nullptr ? session->lastError.c_str() : t_lastStartError.c_str();
}

// ---- Buffers ---------------------------------------------------------------

const uint8_t* CORVANE_CALL corvane_buffer_bytes(const corvane_buffer* buffer, size_t* size) {
  static const uint8_t kNothing = 0;
  size_t count = 0;
  const uint8_t* bytes = nullptr;
  if (buffer != nullptr && buffer->isText) {
    count = buffer->text.size() * sizeof(char16_t);
    bytes = reinterpret_cast<const uint8_t*>(buffer->text.data());
  } else if (buffer != nullptr) {
    count = buffer->bytes.size();
    bytes = count != 0 ? buffer->bytes.data() : &kNothing;
  }
  if (size != nullptr) *size = count;
  return bytes;
}

const wchar_t* CORVANE_CALL corvane_buffer_text(const corvane_buffer* buffer, size_t* length) {
  const bool text = buffer != nullptr && buffer->isText;
  if (length != nullptr) *length = text ? buffer->text.size() : 0;
  return text ? corvane::win::Wide(buffer->text.c_str()) : nullptr;
}

corvane_result CORVANE_CALL corvane_buffer_copy_text(const corvane_buffer* buffer,
                                                     wchar_t* destination, size_t capacity,
                                                     size_t* length) {
  if (buffer == nullptr || !buffer->isText) return CORVANE_E_INVALID_ARGUMENT;
  if (destination == nullptr && capacity != 0) return CORVANE_E_INVALID_ARGUMENT;
  const size_t units = buffer->text.size();
  if (length != nullptr) *length = units;
  if (capacity <= units) return CORVANE_E_BUFFER_TOO_SMALL;
  std::memcpy(destination, buffer->text.data(), units * sizeof(char16_t));
  destination[units] = L'\0';
  return CORVANE_OK;
}

void CORVANE_CALL corvane_buffer_free(corvane_buffer* buffer) {
  delete buffer;
}

// ---- Any operation ---------------------------------------------------------

corvane_result CORVANE_CALL corvane_request(corvane_session* session, uint32_t operation,
                                            int32_t hive, const wchar_t* path, size_t path_length,
                                            const wchar_t* name, size_t name_length,
                                            const wchar_t* data, size_t data_length,
                                            corvane_buffer** text) {
  return Request(
      session,
      [&](corvane_session& s, client::BrokerConnection& c, std::u16string p, std::u16string n,
          std::u16string d) {
        auto reply = c.Request(operation, hive, std::move(p), std::move(n), std::move(d));
        if (!reply) return Fail(s, reply.error());
        const corvane_result status = StatusOf(s, reply->status);
        if (status >= CORVANE_OK && text != nullptr) Store(text, std::move(reply->text));
        return status;
      },
      Text(path, path_length, "path"), Text(name, name_length, "name"),
      Text(data, data_length, "data"));
}

// ---- Registry --------------------------------------------------------------

corvane_result CORVANE_CALL corvane_read_string(corvane_session* session, int32_t hive,
                                                const wchar_t* key, size_t key_length,
                                                const wchar_t* name, size_t name_length,
                                                corvane_buffer** value) {
  return Answer(session, Given(value, "value"), client::ReadString, HiveOf(hive),
                Text(key, key_length, "key"), Text(name, name_length, "name"));
}

corvane_result CORVANE_CALL corvane_write_string(corvane_session* session, int32_t hive,
                                                 const wchar_t* key, size_t key_length,
                                                 const wchar_t* name, size_t name_length,
                                                 const wchar_t* value, size_t value_length) {
  return Status(session, client::WriteString, HiveOf(hive), Text(key, key_length, "key"),
                Text(name, name_length, "name"), Text(value, value_length, "value"));
}

corvane_result CORVANE_CALL corvane_read_dword(corvane_session* session, int32_t hive,
                                               const wchar_t* key, size_t key_length,
                                               const wchar_t* name, size_t name_length,
                                               uint32_t* value) {
  return Answer(session, Given(value, "value"), client::ReadDword, HiveOf(hive),
                Text(key, key_length, "key"), Text(name, name_length, "name"));
}

corvane_result CORVANE_CALL corvane_write_dword(corvane_session* session, int32_t hive,
                                                const wchar_t* key, size_t key_length,
                                                const wchar_t* name, size_t name_length,
                                                uint32_t value) {
  return Status(session, client::WriteDword, HiveOf(hive), Text(key, key_length, "key"),
                Text(name, name_length, "name"), Checked<uint32_t>(value));
}

corvane_result CORVANE_CALL corvane_read_qword(corvane_session* session, int32_t hive,
                                               const wchar_t* key, size_t key_length,
                                               const wchar_t* name, size_t name_length,
                                               uint64_t* value) {
  return Answer(session, Given(value, "value"), client::ReadQword, HiveOf(hive),
                Text(key, key_length, "key"), Text(name, name_length, "name"));
}

corvane_result CORVANE_CALL corvane_write_qword(corvane_session* session, int32_t hive,
                                                const wchar_t* key, size_t key_length,
                                                const wchar_t* name, size_t name_length,
                                                uint64_t value) {
  return Status(session, client::WriteQword, HiveOf(hive), Text(key, key_length, "key"),
                Text(name, name_length, "name"), Checked<uint64_t>(value));
}

corvane_result CORVANE_CALL corvane_delete_value(corvane_session* session, int32_t hive,
                                                 const wchar_t* key, size_t key_length,
                                                 const wchar_t* name, size_t name_length) {
  return Status(session, client::DeleteValue, HiveOf(hive), Text(key, key_length, "key"),
                Text(name, name_length, "name"));
}

corvane_result CORVANE_CALL corvane_delete_key(corvane_session* session, int32_t hive,
                                               const wchar_t* key, size_t key_length) {
  return Status(session, client::DeleteKey, HiveOf(hive), Text(key, key_length, "key"));
}

corvane_result CORVANE_CALL corvane_delete_key_tree(corvane_session* session, int32_t hive,
                                                    const wchar_t* key, size_t key_length) {
  return Status(session, client::DeleteKeyTree, HiveOf(hive), Text(key, key_length, "key"));
}

corvane_result CORVANE_CALL corvane_key_exists(corvane_session* session, int32_t hive,
                                               const wchar_t* key, size_t key_length, int* exists) {
  return Answer(session, Given(exists, "exists"), YesOrNo(client::KeyExists), HiveOf(hive),
                Text(key, key_length, "key"));
}

corvane_result CORVANE_CALL corvane_list_subkeys(corvane_session* session, int32_t hive,
                                                 const wchar_t* key, size_t key_length,
                                                 corvane_buffer** names) {
  return List(session, BrokerOperation::ListSubkeys, hive, key, key_length, names);
}

corvane_result CORVANE_CALL corvane_list_values(corvane_session* session, int32_t hive,
                                                const wchar_t* key, size_t key_length,
                                                corvane_buffer** values) {
  return List(session, BrokerOperation::ListValues, hive, key, key_length, values);
}

corvane_result CORVANE_CALL corvane_copy_key_tree(corvane_session* session, int32_t hive,
                                                  const wchar_t* from, size_t from_length,
                                                  const wchar_t* to, size_t to_length) {
  return Status(session, client::CopyKeyTree, HiveOf(hive), Text(from, from_length, "from"),
                Text(to, to_length, "to"));
}

// ---- Files -----------------------------------------------------------------

corvane_result CORVANE_CALL corvane_file_read(corvane_session* session, const wchar_t* path,
                                              size_t path_length, corvane_buffer** contents) {
  return Answer(session, Given(contents, "contents"), client::FileRead,
                Text(path, path_length, "path"));
}

corvane_result CORVANE_CALL corvane_file_write(corvane_session* session, const wchar_t* path,
                                               size_t path_length, const uint8_t* contents,
                                               size_t size) {
  Checked<std::span<const uint8_t>> bytes = Bytes(contents, size, "contents");
  if (bytes && size > kMaxFileBytes) bytes = Misuse{"contents", "are too large for a frame"};
  return Status(
      session,
      [](client::BrokerConnection& c, std::span<const uint8_t> checked, std::u16string p) {
        return client::FileWrite(c, std::move(p),
                                 std::vector<uint8_t>(checked.begin(), checked.end()));
      },
      bytes, Text(path, path_length, "path"));
}

corvane_result CORVANE_CALL corvane_file_exists(corvane_session* session, const wchar_t* path,
                                                size_t path_length, int* exists) {
  return Answer(session, Given(exists, "exists"), YesOrNo(client::FileExists),
                Text(path, path_length, "path"));
}

corvane_result CORVANE_CALL corvane_file_delete(corvane_session* session, const wchar_t* path,
                                                size_t path_length) {
  return Status(session, client::FileDelete, Text(path, path_length, "path"));
}

corvane_result CORVANE_CALL corvane_file_copy(corvane_session* session, const wchar_t* source,
                                              size_t source_length, const wchar_t* destination,
                                              size_t destination_length) {
  return Status(session, client::FileCopy, Text(source, source_length, "source"),
                Text(destination, destination_length, "destination"));
}

corvane_result CORVANE_CALL corvane_file_export(corvane_session* session, const wchar_t* source,
                                                size_t source_length, const wchar_t* destination,
                                                size_t destination_length) {
  return Status(session, client::FileExport, Text(source, source_length, "source"),
                Text(destination, destination_length, "destination"));
}

// ---- Shell, ping, keep-alive -----------------------------------------------

corvane_result CORVANE_CALL corvane_shell_open(corvane_session* session, const wchar_t* target,
                                               size_t target_length) {
  return Status(session, client::ShellOpen, Text(target, target_length, "target"));
}

corvane_result CORVANE_CALL corvane_ping(corvane_session* session) {
  return Request(session, [](corvane_session& s, client::BrokerConnection& c) {
    auto answer = client::Ping(c);
    if (!answer) return Fail(s, answer.error());
    const corvane_result status = StatusOf(s, answer->status);
    if (status == CORVANE_OK && answer->value != u"pong") {
      return Fail(s, CORVANE_E_MALFORMED, "the broker answered the ping with another text");
    }
    return status;
  });
}

corvane_result CORVANE_CALL corvane_keep_alive(corvane_session* session) {
  return Request(session, [](corvane_session& s, client::BrokerConnection& c) {
    auto sent = c.KeepAlive();
    return sent ? CORVANE_OK : Fail(s, sent.error(), false);
  });
}

// ---- The plug-in channel ---------------------------------------------------

corvane_result CORVANE_CALL corvane_get_plugin_channel(corvane_session* session,
                                                       uint32_t process_id, uint64_t* handle,
                                                       uint32_t* system_error) {
  return Request(
      session,
      [&](corvane_session& s, client::BrokerConnection& c, uint64_t* out) {
        auto channel = c.GetPluginChannel(process_id != 0 ? process_id : GetCurrentProcessId());
        if (!channel) return Fail(s, channel.error());
        if (system_error != nullptr) *system_error = channel->status;
        if (!channel->ok()) return CORVANE_FAILED;
        *out = channel->handle;
        return CORVANE_OK;
      },
      Given(handle, "handle"));
}

// ---- Raw frames ------------------------------------------------------------

corvane_result CORVANE_CALL corvane_send_frame(corvane_session* session, const uint8_t* bytes,
                                               size_t size) {
  return Request(
      session,
      [](corvane_session& s, client::BrokerConnection& c, std::span<const uint8_t> frame) {
        auto sent = c.SendBytes(frame.data(), frame.size());
        return sent ? CORVANE_OK : Fail(s, sent.error(), false);
      },
      Bytes(bytes, size, "bytes"));
}

corvane_result CORVANE_CALL corvane_read_frame(corvane_session* session, corvane_buffer** frame) {
  return Request(
      session,
      [](corvane_session& s, client::BrokerConnection& c, corvane_buffer** out) {
        std::vector<uint8_t> bytes;
        auto message = c.ReadMessage(&bytes);
        if (!message) return Fail(s, message.error(), false);
        Store(out, std::move(bytes));
        return CORVANE_OK;
      },
      Given(frame, "frame"));
}
