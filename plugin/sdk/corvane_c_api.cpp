// The C interface of corvane_client.dll, over the client library. Every
// entry point catches everything, so no exception leaves the DLL, and checks
// what a C caller can get wrong (null pointers, impossible lengths, a bad
// hive, a session whose pipe is gone) before anything is sent.
#include <windows.h>

#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "corvane/corvane.h"
#include "plugin/client/broker_session.h"
#include "plugin/client/operations.h"
#include "plugin/client/value_text.h"
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

// Thrown inside the DLL only, for a caller's mistake; becomes
// CORVANE_E_INVALID_ARGUMENT at the entry point.
struct ArgumentError {
  std::string message;
};

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

// Records `message` as the session's last error, if there is room for it.
corvane_result Fail(corvane_session& s, corvane_result code, const char* message) {
  try {
    s.lastError = message;
  } catch (...) {
    s.lastError.clear();
  }
  return code;
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

// Runs `body` on a session, turning every exception into a result.
template <class Body>
corvane_result Run(corvane_session* session, Body&& body) {
  if (session == nullptr) return CORVANE_E_INVALID_ARGUMENT;
  corvane_session& s = *session;
  s.lastError.clear();
  try {
    return body(s);
  } catch (const ArgumentError& e) {
    return Fail(s, CORVANE_E_INVALID_ARGUMENT, e.message.c_str());
  } catch (const std::bad_alloc&) {
    return Fail(s, CORVANE_E_OUT_OF_MEMORY, "out of memory");
  } catch (...) {
    return Fail(s, CORVANE_E_INTERNAL, "internal error in corvane_client");
  }
}

// Run for a call that talks to the broker.
template <class Body>
corvane_result Request(corvane_session* session, Body&& body) {
  return Run(session, [&](corvane_session& s) {
    if (!s.broker.connection.IsOpen()) {
      return Fail(s, CORVANE_E_CLOSED, "the session's connection to the broker is closed");
    }
    return body(s.broker.connection, s);
  });
}

std::u16string Text(const wchar_t* text, size_t length, const char* what) {
  if (text == nullptr && length != 0) {
    throw ArgumentError{std::string(what) + " is null with a non-zero length"};
  }
  if (length > kMaxTextUnits) throw ArgumentError{std::string(what) + " is too long for a frame"};
  return length == 0 ? std::u16string() : std::u16string(corvane::win::Utf16(text), length);
}

template <class T>
T& Out(T* pointer, const char* what) {
  if (pointer == nullptr) throw ArgumentError{std::string(what) + " is null"};
  return *pointer;
}

client::Hive HiveOf(int32_t hive) {
  if (hive != CORVANE_HKCU && hive != CORVANE_HKLM) {
    throw ArgumentError{"the hive is neither CORVANE_HKCU (0) nor CORVANE_HKLM (1)"};
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

// For the exists tests: the broker's Ok is "yes", its NotFound "no".
corvane_result ExistsOf(corvane_session& s, const client::Result<int32_t>& result, int& exists) {
  const corvane_result status = StatusOf(s, result);
  if (status != CORVANE_OK && status != CORVANE_NOT_FOUND) return status;
  exists = status == CORVANE_OK ? 1 : 0;
  return CORVANE_OK;
}

corvane_buffer* NewText(std::u16string text) {
  auto buffer = std::make_unique<corvane_buffer>();
  buffer->isText = true;
  buffer->text = std::move(text);
  return buffer.release();
}

corvane_buffer* NewBytes(std::vector<uint8_t> bytes) {
  auto buffer = std::make_unique<corvane_buffer>();
  buffer->bytes = std::move(bytes);
  return buffer.release();
}

// An answer with a value: *out is written only when the status is Ok.
template <class T, class Store>
corvane_result AnswerOf(corvane_session& s, client::Result<client::Answer<T>> result,
                        Store&& store) {
  if (!result) return Fail(s, result.error());
  const corvane_result status = StatusOf(s, result->status);
  if (status == CORVANE_OK) store(std::move(result->value));
  return status;
}

// A list operation's reply text as it is: items each followed by U+0000.
corvane_result ListOf(corvane_session& s, client::BrokerConnection& c, BrokerOperation op,
                      int32_t hive, const wchar_t* key, size_t keyLength, corvane_buffer** out) {
  corvane_buffer*& target = Out(out, "the out-parameter");
  const client::Hive checked = HiveOf(hive);
  auto reply = c.Request(corvane::OperationCode(op), static_cast<int32_t>(checked),
                         Text(key, keyLength, "key"), {}, {});
  if (!reply) return Fail(s, reply.error());
  const corvane_result status = StatusOf(s, reply->status);
  if (status == CORVANE_OK) target = NewText(std::move(reply->text));
  return status;
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
  if (folder == nullptr) return CORVANE_E_INVALID_ARGUMENT;
  try {
    // The broker's own look-ups, so that the plug-in's text and the rule's
    // cannot differ.
    std::u16string text;
    if (kind == CORVANE_FOLDER_APPDATA) {
      text = corvane::AppDataFolder();
    } else if (kind == CORVANE_FOLDER_TEMP) {
      text = corvane::TempFolder();
    } else {
      return CORVANE_E_INVALID_ARGUMENT;
    }
    if (text.empty()) return CORVANE_NOT_FOUND;
    *folder = NewText(std::move(text));
    return CORVANE_OK;
  } catch (const std::bad_alloc&) {
    return CORVANE_E_OUT_OF_MEMORY;
  } catch (...) {
    return CORVANE_E_INTERNAL;
  }
}

// ---- Sessions --------------------------------------------------------------

namespace {

// Why this thread's latest corvane_start or corvane_attach failed: there is
// no session then to keep the text.
thread_local std::string t_lastStartError;

corvane_result StartFailed(corvane_result code, const std::string& message) {
  try {
    t_lastStartError = message;
  } catch (...) {
    t_lastStartError.clear();
  }
  return code;
}

corvane_result StartFailed(const client::ClientError& error) {
  return StartFailed(CodeOf(error.kind), error.message);
}

// Guarded for start and attach: every failure, a refused argument included,
// leaves its reason for corvane_last_error(NULL), and success clears it.
template <class Body>
corvane_result Starting(Body&& body) {
  t_lastStartError.clear();
  try {
    return body();
  } catch (const ArgumentError& e) {
    return StartFailed(CORVANE_E_INVALID_ARGUMENT, e.message);
  } catch (const std::bad_alloc&) {
    return StartFailed(CORVANE_E_OUT_OF_MEMORY, "out of memory");
  } catch (...) {
    return StartFailed(CORVANE_E_INTERNAL, "internal error in corvane_client");
  }
}

corvane_result Start(const wchar_t* broker_path, size_t broker_path_length,
                     uint32_t served_process_id, uint32_t timeout_ms, corvane_session** session) {
  return Starting([&] {
    corvane_session*& out = Out(session, "session");
    // An empty path is DefaultBrokerPath(): beside the module holding this code.
    auto launched = client::BrokerSession::Launch(
        Text(broker_path, broker_path_length, "broker_path"), served_process_id, timeout_ms);
    if (!launched) return StartFailed(launched.error());
    out = new corvane_session{std::move(launched).value(), {}};
    return CORVANE_OK;
  });
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
  return Starting([&] {
    corvane_session*& out = Out(session, "session");
    if (on_line == nullptr) throw ArgumentError{"on_line is null"};
    auto launched = client::BrokerSession::LaunchWithDiagnostics(
        Text(broker_path, broker_path_length, "broker_path"), served_process_id, timeout_ms,
        [on_line, context](std::string_view output) { DeliverLines(on_line, context, output); });
    if (!launched) return StartFailed(launched.error());
    out = new corvane_session{std::move(launched).value(), {}};
    return CORVANE_OK;
  });
}

corvane_result Attach(const wchar_t* ipc_name, size_t ipc_name_length, uint32_t timeout_ms,
                      corvane_session** session) {
  return Starting([&] {
    corvane_session*& out = Out(session, "session");
    std::u16string name = Text(ipc_name, ipc_name_length, "ipc_name");
    if (name.empty()) throw ArgumentError{"ipc_name is empty"};
    auto connection = client::BrokerConnection::Connect(name, nullptr, timeout_ms);
    if (!connection) return StartFailed(connection.error());
    out = new corvane_session{client::BrokerSession{nullptr, client::BrokerProcess(),
                                                    std::move(connection).value(), std::move(name)},
                              {}};
    return CORVANE_OK;
  });
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
  return Run(session, [&](corvane_session& s) {
    if (milliseconds == 0) throw ArgumentError{"a time-out of 0 ms would close the session"};
    s.broker.connection.SetReplyTimeout(milliseconds);
    return CORVANE_OK;
  });
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
  return Request(session, [&](client::BrokerConnection& c, corvane_session& s) {
    auto reply = c.Request(operation, hive, Text(path, path_length, "path"),
                           Text(name, name_length, "name"), Text(data, data_length, "data"));
    if (!reply) return Fail(s, reply.error());
    const corvane_result status = StatusOf(s, reply->status);
    if (status >= CORVANE_OK && text != nullptr) *text = NewText(std::move(reply->text));
    return status;
  });
}

// ---- Registry --------------------------------------------------------------

corvane_result CORVANE_CALL corvane_read_string(corvane_session* session, int32_t hive,
                                                const wchar_t* key, size_t key_length,
                                                const wchar_t* name, size_t name_length,
                                                corvane_buffer** value) {
  return Request(session, [&](client::BrokerConnection& c, corvane_session& s) {
    corvane_buffer*& out = Out(value, "value");
    return AnswerOf(s,
                    client::ReadString(c, HiveOf(hive), Text(key, key_length, "key"),
                                       Text(name, name_length, "name")),
                    [&](std::u16string text) { out = NewText(std::move(text)); });
  });
}

corvane_result CORVANE_CALL corvane_write_string(corvane_session* session, int32_t hive,
                                                 const wchar_t* key, size_t key_length,
                                                 const wchar_t* name, size_t name_length,
                                                 const wchar_t* value, size_t value_length) {
  return Request(session, [&](client::BrokerConnection& c, corvane_session& s) {
    return StatusOf(s, client::WriteString(c, HiveOf(hive), Text(key, key_length, "key"),
                                           Text(name, name_length, "name"),
                                           Text(value, value_length, "value")));
  });
}

corvane_result CORVANE_CALL corvane_read_dword(corvane_session* session, int32_t hive,
                                               const wchar_t* key, size_t key_length,
                                               const wchar_t* name, size_t name_length,
                                               uint32_t* value) {
  return Request(session, [&](client::BrokerConnection& c, corvane_session& s) {
    uint32_t& out = Out(value, "value");
    return AnswerOf(s,
                    client::ReadDword(c, HiveOf(hive), Text(key, key_length, "key"),
                                      Text(name, name_length, "name")),
                    [&](uint32_t number) { out = number; });
  });
}

corvane_result CORVANE_CALL corvane_write_dword(corvane_session* session, int32_t hive,
                                                const wchar_t* key, size_t key_length,
                                                const wchar_t* name, size_t name_length,
                                                uint32_t value) {
  return Request(session, [&](client::BrokerConnection& c, corvane_session& s) {
    return StatusOf(s, client::WriteDword(c, HiveOf(hive), Text(key, key_length, "key"),
                                          Text(name, name_length, "name"), value));
  });
}

corvane_result CORVANE_CALL corvane_read_qword(corvane_session* session, int32_t hive,
                                               const wchar_t* key, size_t key_length,
                                               const wchar_t* name, size_t name_length,
                                               uint64_t* value) {
  return Request(session, [&](client::BrokerConnection& c, corvane_session& s) {
    uint64_t& out = Out(value, "value");
    return AnswerOf(s,
                    client::ReadQword(c, HiveOf(hive), Text(key, key_length, "key"),
                                      Text(name, name_length, "name")),
                    [&](uint64_t number) { out = number; });
  });
}

corvane_result CORVANE_CALL corvane_write_qword(corvane_session* session, int32_t hive,
                                                const wchar_t* key, size_t key_length,
                                                const wchar_t* name, size_t name_length,
                                                uint64_t value) {
  return Request(session, [&](client::BrokerConnection& c, corvane_session& s) {
    return StatusOf(s, client::WriteQword(c, HiveOf(hive), Text(key, key_length, "key"),
                                          Text(name, name_length, "name"), value));
  });
}

corvane_result CORVANE_CALL corvane_delete_value(corvane_session* session, int32_t hive,
                                                 const wchar_t* key, size_t key_length,
                                                 const wchar_t* name, size_t name_length) {
  return Request(session, [&](client::BrokerConnection& c, corvane_session& s) {
    return StatusOf(s, client::DeleteValue(c, HiveOf(hive), Text(key, key_length, "key"),
                                           Text(name, name_length, "name")));
  });
}

corvane_result CORVANE_CALL corvane_delete_key(corvane_session* session, int32_t hive,
                                               const wchar_t* key, size_t key_length) {
  return Request(session, [&](client::BrokerConnection& c, corvane_session& s) {
    return StatusOf(s, client::DeleteKey(c, HiveOf(hive), Text(key, key_length, "key")));
  });
}

corvane_result CORVANE_CALL corvane_delete_key_tree(corvane_session* session, int32_t hive,
                                                    const wchar_t* key, size_t key_length) {
  return Request(session, [&](client::BrokerConnection& c, corvane_session& s) {
    return StatusOf(s, client::DeleteKeyTree(c, HiveOf(hive), Text(key, key_length, "key")));
  });
}

corvane_result CORVANE_CALL corvane_key_exists(corvane_session* session, int32_t hive,
                                               const wchar_t* key, size_t key_length, int* exists) {
  return Request(session, [&](client::BrokerConnection& c, corvane_session& s) {
    int& out = Out(exists, "exists");
    return ExistsOf(s, client::KeyExists(c, HiveOf(hive), Text(key, key_length, "key")), out);
  });
}

corvane_result CORVANE_CALL corvane_list_subkeys(corvane_session* session, int32_t hive,
                                                 const wchar_t* key, size_t key_length,
                                                 corvane_buffer** names) {
  return Request(session, [&](client::BrokerConnection& c, corvane_session& s) {
    return ListOf(s, c, BrokerOperation::ListSubkeys, hive, key, key_length, names);
  });
}

corvane_result CORVANE_CALL corvane_list_values(corvane_session* session, int32_t hive,
                                                const wchar_t* key, size_t key_length,
                                                corvane_buffer** values) {
  return Request(session, [&](client::BrokerConnection& c, corvane_session& s) {
    return ListOf(s, c, BrokerOperation::ListValues, hive, key, key_length, values);
  });
}

corvane_result CORVANE_CALL corvane_copy_key_tree(corvane_session* session, int32_t hive,
                                                  const wchar_t* from, size_t from_length,
                                                  const wchar_t* to, size_t to_length) {
  return Request(session, [&](client::BrokerConnection& c, corvane_session& s) {
    return StatusOf(s, client::CopyKeyTree(c, HiveOf(hive), Text(from, from_length, "from"),
                                           Text(to, to_length, "to")));
  });
}

// ---- Files -----------------------------------------------------------------

corvane_result CORVANE_CALL corvane_file_read(corvane_session* session, const wchar_t* path,
                                              size_t path_length, corvane_buffer** contents) {
  return Request(session, [&](client::BrokerConnection& c, corvane_session& s) {
    corvane_buffer*& out = Out(contents, "contents");
    return AnswerOf(s, client::FileRead(c, Text(path, path_length, "path")),
                    [&](std::vector<uint8_t> bytes) { out = NewBytes(std::move(bytes)); });
  });
}

corvane_result CORVANE_CALL corvane_file_write(corvane_session* session, const wchar_t* path,
                                               size_t path_length, const uint8_t* contents,
                                               size_t size) {
  return Request(session, [&](client::BrokerConnection& c, corvane_session& s) {
    if (contents == nullptr && size != 0) {
      throw ArgumentError{"contents is null with a non-zero size"};
    }
    if (size > kMaxFileBytes) throw ArgumentError{"contents are too large for a frame"};
    const std::vector<uint8_t> bytes(contents, contents + size);
    return StatusOf(s, client::FileWrite(c, Text(path, path_length, "path"), bytes));
  });
}

corvane_result CORVANE_CALL corvane_file_exists(corvane_session* session, const wchar_t* path,
                                                size_t path_length, int* exists) {
  return Request(session, [&](client::BrokerConnection& c, corvane_session& s) {
    int& out = Out(exists, "exists");
    return ExistsOf(s, client::FileExists(c, Text(path, path_length, "path")), out);
  });
}

corvane_result CORVANE_CALL corvane_file_delete(corvane_session* session, const wchar_t* path,
                                                size_t path_length) {
  return Request(session, [&](client::BrokerConnection& c, corvane_session& s) {
    return StatusOf(s, client::FileDelete(c, Text(path, path_length, "path")));
  });
}

corvane_result CORVANE_CALL corvane_file_copy(corvane_session* session, const wchar_t* source,
                                              size_t source_length, const wchar_t* destination,
                                              size_t destination_length) {
  return Request(session, [&](client::BrokerConnection& c, corvane_session& s) {
    return StatusOf(s, client::FileCopy(c, Text(source, source_length, "source"),
                                        Text(destination, destination_length, "destination")));
  });
}

corvane_result CORVANE_CALL corvane_file_export(corvane_session* session, const wchar_t* source,
                                                size_t source_length, const wchar_t* destination,
                                                size_t destination_length) {
  return Request(session, [&](client::BrokerConnection& c, corvane_session& s) {
    return StatusOf(s, client::FileExport(c, Text(source, source_length, "source"),
                                          Text(destination, destination_length, "destination")));
  });
}

// ---- Shell, ping, keep-alive -----------------------------------------------

corvane_result CORVANE_CALL corvane_shell_open(corvane_session* session, const wchar_t* target,
                                               size_t target_length) {
  return Request(session, [&](client::BrokerConnection& c, corvane_session& s) {
    return StatusOf(s, client::ShellOpen(c, Text(target, target_length, "target")));
  });
}

corvane_result CORVANE_CALL corvane_ping(corvane_session* session) {
  return Request(session, [&](client::BrokerConnection& c, corvane_session& s) {
    bool pong = false;
    const corvane_result status =
        AnswerOf(s, client::Ping(c), [&](const std::u16string& text) { pong = text == u"pong"; });
    if (status == CORVANE_OK && !pong) {
      return Fail(s, CORVANE_E_MALFORMED, "the broker answered the ping with another text");
    }
    return status;
  });
}

corvane_result CORVANE_CALL corvane_keep_alive(corvane_session* session) {
  return Request(session, [&](client::BrokerConnection& c, corvane_session& s) {
    auto sent = c.KeepAlive();
    return sent ? CORVANE_OK : Fail(s, sent.error(), false);
  });
}

// ---- The plug-in channel ---------------------------------------------------

corvane_result CORVANE_CALL corvane_get_plugin_channel(corvane_session* session,
                                                       uint32_t process_id, uint64_t* handle,
                                                       uint32_t* system_error) {
  return Request(session, [&](client::BrokerConnection& c, corvane_session& s) {
    uint64_t& out = Out(handle, "handle");
    auto channel = c.GetPluginChannel(process_id != 0 ? process_id : GetCurrentProcessId());
    if (!channel) return Fail(s, channel.error());
    if (system_error != nullptr) *system_error = channel->status;
    if (!channel->ok()) return CORVANE_FAILED;
    out = channel->handle;
    return CORVANE_OK;
  });
}

// ---- Raw frames ------------------------------------------------------------

corvane_result CORVANE_CALL corvane_send_frame(corvane_session* session, const uint8_t* bytes,
                                               size_t size) {
  return Request(session, [&](client::BrokerConnection& c, corvane_session& s) {
    if (bytes == nullptr && size != 0) throw ArgumentError{"bytes is null with a non-zero size"};
    auto sent = c.SendBytes(bytes, size);
    return sent ? CORVANE_OK : Fail(s, sent.error(), false);
  });
}

corvane_result CORVANE_CALL corvane_read_frame(corvane_session* session, corvane_buffer** frame) {
  return Request(session, [&](client::BrokerConnection& c, corvane_session& s) {
    corvane_buffer*& out = Out(frame, "frame");
    std::vector<uint8_t> bytes;
    auto message = c.ReadMessage(&bytes);
    if (!message) return Fail(s, message.error(), false);
    out = NewBytes(std::move(bytes));
    return CORVANE_OK;
  });
}
