/*
 * The Corvane broker's plug-in SDK: a stable C interface, exported from
 * corvane_client.dll, usable from C, C++ (any compiler), C#, Rust, Python
 * (ctypes) and anything else that can call a C function.
 *
 * Model
 *   A session is one broker process serving this plug-in over its pipe.
 *   corvane_start() launches a broker and connects; corvane_attach()
 *   connects to a broker that is already running; corvane_close() closes
 *   the pipe, which ends the broker, and frees the session.
 *
 * Results
 *   Every function that can fail returns a corvane_result:
 *     0 .. 4   the broker's status for the request (CORVANE_OK,
 *              CORVANE_NOT_FOUND, CORVANE_DENIED, CORVANE_FAILED,
 *              CORVANE_INVALID): the request reached the broker and was
 *              answered;
 *     < 0      an error of the client itself (CORVANE_E_...): the request
 *              was not sent, or no valid answer came back.
 *   corvane_result_name() names every code; corvane_last_error() gives the
 *   text of the session's last client error, or with a null session why the
 *   calling thread's last start or attach failed.
 *
 * Texts
 *   wchar_t texts are UTF-16 with an explicit length in units; they need not
 *   be NUL-terminated, and they reach the broker whole, U+0000 included. A
 *   null pointer with length 0 is the empty text. What the system does with
 *   a U+0000 is its own: a registry string is stored whole but reads back
 *   cut at its first U+0000 (corvane_read_string, corvane_list_values), as
 *   Windows registry strings do.
 *
 * Ownership
 *   A session is freed by corvane_close(); a corvane_buffer returned through
 *   an out-parameter belongs to the caller and is freed by
 *   corvane_buffer_free(). Out-parameters are written only on success (for
 *   answers: only when the result is CORVANE_OK). Nothing else is ever
 *   handed over.
 *
 * Threads
 *   Functions without a session argument may be called from any thread at
 *   any time. A session may be used from any thread, but by one thread at
 *   a time: it has no lock of its own. Separate sessions are independent.
 *
 * No exception and no C++ type crosses this interface.
 *
 * Loading
 *   Linked through an import library, corvane_client.dll must be found when
 *   the plug-in is loaded, which a host does not look for beside the plug-in.
 *   corvane/loader.h loads it by full path instead, and defines
 *   CORVANE_NO_PROTOTYPES: the functions below are then pointers of the same
 *   names. CORVANE_CLIENT_STATIC is for the static library, which carries the
 *   client inside the plug-in (GNU toolchains).
 */
#ifndef CORVANE_CORVANE_H
#define CORVANE_CORVANE_H

/* Only the compiler's own headers (stddef.h gives C its wchar_t), so that
 * freestanding and C-runtime-free programs can use the SDK too. */
#include <stddef.h>
#include <stdint.h>

/* CORVANE_VERSION_MAJOR, _MINOR, _PATCH and CORVANE_VERSION_STRING ("0.11.1"):
 * the version of these headers, equal to what corvane_version() returns for
 * the DLL they came with. */
#include "corvane/version.h"

#if defined(_WIN32)
#if defined(CORVANE_CLIENT_STATIC)
#define CORVANE_API
#elif defined(CORVANE_CLIENT_BUILD)
#define CORVANE_API __declspec(dllexport)
#else
#define CORVANE_API __declspec(dllimport)
#endif
#define CORVANE_CALL __cdecl
#else
#define CORVANE_API
#define CORVANE_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t corvane_result;

/* The broker's statuses. */
#define CORVANE_OK 0
#define CORVANE_NOT_FOUND 1 /* nothing could be read; for the exists tests: "no" */
#define CORVANE_DENIED 2    /* the access policy refused; nothing was done */
#define CORVANE_FAILED 3    /* a write, delete, copy or launch failed */
#define CORVANE_INVALID 4   /* the request was malformed */

/* Errors of the client. */
#define CORVANE_E_INVALID_ARGUMENT (-1) /* a null pointer, a length too large, a bad hive */
#define CORVANE_E_CLOSED (-2)           /* the session's pipe was closed earlier */
#define CORVANE_E_START_FAILED (-3)     /* the broker could not be started */
#define CORVANE_E_BROKER_GONE (-4)      /* the broker ended or closed the pipe */
#define CORVANE_E_TIMED_OUT (-5)        /* no connection or answer in time */
#define CORVANE_E_MALFORMED (-6)        /* the broker answered something unexpected */
#define CORVANE_E_IO_FAILED (-7)        /* a pipe read or write failed */
#define CORVANE_E_BUFFER_TOO_SMALL (-8) /* corvane_buffer_copy_text: capacity too small */
#define CORVANE_E_OUT_OF_MEMORY (-9)
#define CORVANE_E_INTERNAL (-10)

/* The time-outs of corvane_start, corvane_attach and a new session's
 * requests, in milliseconds. */
#define CORVANE_DEFAULT_CONNECT_TIMEOUT_MS 10000u
#define CORVANE_DEFAULT_REPLY_TIMEOUT_MS 30000u

/* Hives of the registry operations. */
#define CORVANE_HKCU 0 /* HKEY_CURRENT_USER: read and write below the Corvane keys */
#define CORVANE_HKLM 1 /* HKEY_LOCAL_MACHINE: read only */

/* Operation codes of request 6 (the broker's operation table). */
#define CORVANE_OP_READ_STRING 1
#define CORVANE_OP_WRITE_STRING 2
#define CORVANE_OP_READ_DWORD 3
#define CORVANE_OP_WRITE_DWORD 4
#define CORVANE_OP_DELETE_VALUE 5
#define CORVANE_OP_DELETE_KEY 6
#define CORVANE_OP_DELETE_KEY_TREE 7
#define CORVANE_OP_KEY_EXISTS 8
#define CORVANE_OP_LIST_SUBKEYS 9
#define CORVANE_OP_LIST_VALUES 10
#define CORVANE_OP_PING 11
#define CORVANE_OP_READ_QWORD 12
#define CORVANE_OP_WRITE_QWORD 13
#define CORVANE_OP_FILE_READ 14
#define CORVANE_OP_FILE_WRITE 15
#define CORVANE_OP_FILE_EXISTS 16
#define CORVANE_OP_FILE_DELETE 17
#define CORVANE_OP_SHELL_OPEN 18
#define CORVANE_OP_COPY_KEY_TREE 20
#define CORVANE_OP_FILE_COPY 21
#define CORVANE_OP_FILE_EXPORT 22

/* Folders of corvane_folder(). */
#define CORVANE_FOLDER_APPDATA 0 /* roaming application data; files go in its "corvane" folder */
#define CORVANE_FOLDER_TEMP 1    /* local application data + "\Temp": PDF copies, image exports */

typedef struct corvane_session corvane_session;
typedef struct corvane_buffer corvane_buffer;

/* Receives one diagnostic line of a session's broker (see
 * corvane_start_with_diagnostics): UTF-8 without its line
 * end, `length` bytes followed by a NUL, valid only during the call. */
typedef void(CORVANE_CALL* corvane_diagnostic_callback)(void* context, const char* line,
                                                        size_t length);

#ifndef CORVANE_NO_PROTOTYPES

/* ---- Library ----------------------------------------------------------- */

/* The DLL's version ("0.11.1"), a static text; CORVANE_VERSION_STRING is
 * that of the headers. */
CORVANE_API const char* CORVANE_CALL corvane_version(void);
/* "Ok", "NotFound", ..., "InvalidArgument", ...; "Unknown" otherwise. Static. */
CORVANE_API const char* CORVANE_CALL corvane_result_name(corvane_result result);
/* The operation's name in the broker's table ("read-string"), or null. Static. */
CORVANE_API const char* CORVANE_CALL corvane_operation_name(uint32_t operation);

/* The folder the broker's file rules are about, as the broker works it out
 * (the same code, run in the calling process for the calling user), as a
 * text buffer without a trailing backslash: CORVANE_FOLDER_APPDATA, below which
 * the broker allows "corvane" and "corvane" + eight lowercase hexadecimal
 * digits, or CORVANE_FOLDER_TEMP. The folder need not exist. No session is
 * needed. CORVANE_NOT_FOUND when the system names no such folder (the
 * broker then refuses every path of that kind); CORVANE_E_INVALID_ARGUMENT
 * for another kind or a null `folder`. */
CORVANE_API corvane_result CORVANE_CALL corvane_folder(int32_t kind, corvane_buffer** folder);

/* ---- Sessions ---------------------------------------------------------- */

/* Starts a broker for this process and connects to it, waiting up to
 * CORVANE_DEFAULT_CONNECT_TIMEOUT_MS (10 s) for its pipe.
 * broker_path: the broker executable; null (length 0) means
 * "corvane-broker.exe" in the folder of the module that holds this client
 * (corvane_client.dll, or the program that links the client statically).
 * served_process_id: the process whose end ends the broker; 0 means this one. */
CORVANE_API corvane_result CORVANE_CALL corvane_start(const wchar_t* broker_path,
                                                      size_t broker_path_length,
                                                      uint32_t served_process_id,
                                                      corvane_session** session);
/* corvane_start with the wait for the broker's pipe chosen by the caller:
 * CORVANE_E_TIMED_OUT (and the broker ended) when it has not accepted the
 * connection within `connect_timeout_ms`. A broker that exits first gives
 * CORVANE_E_BROKER_GONE at once. 0 tries once without waiting, which a broker
 * just started will rarely have been quick enough for. */
CORVANE_API corvane_result CORVANE_CALL corvane_start_with_timeout(const wchar_t* broker_path,
                                                                   size_t broker_path_length,
                                                                   uint32_t served_process_id,
                                                                   uint32_t connect_timeout_ms,
                                                                   corvane_session** session);
/* Connects to a running broker's pipe: its --ipc= name, or a full
 * \\.\pipe\ name. Waits up to CORVANE_DEFAULT_CONNECT_TIMEOUT_MS (10 s) for
 * the pipe to appear or become free (CORVANE_E_TIMED_OUT otherwise). */
CORVANE_API corvane_result CORVANE_CALL corvane_attach(const wchar_t* ipc_name,
                                                       size_t ipc_name_length,
                                                       corvane_session** session);
/* corvane_attach with the wait chosen by the caller; 0 tries once: the pipe
 * must exist and be free now. */
CORVANE_API corvane_result CORVANE_CALL corvane_attach_with_timeout(const wchar_t* ipc_name,
                                                                    size_t ipc_name_length,
                                                                    uint32_t connect_timeout_ms,
                                                                    corvane_session** session);
/* Closes the pipe (a broker it started then ends) and frees the session.
 * A null session is ignored. The session must not be used afterwards. */
CORVANE_API void CORVANE_CALL corvane_close(corvane_session* session);
/* How long a request waits for its answer (CORVANE_DEFAULT_REPLY_TIMEOUT_MS
 * at first); waits beyond 0x7FFFFFFF ms (about 24 days) are cut to that.
 * 0 is refused (CORVANE_E_INVALID_ARGUMENT, the time-out unchanged): no
 * broker answers within no time, and the first request would time out and
 * close the session. A request that gets no answer in time
 * (CORVANE_E_TIMED_OUT) or another message instead (CORVANE_E_MALFORMED)
 * leaves the pipe out of step with the broker, so the session closes it:
 * later requests answer CORVANE_E_CLOSED. The raw frame calls keep the
 * session open on those errors. */
CORVANE_API corvane_result CORVANE_CALL corvane_set_timeout(corvane_session* session,
                                                            uint32_t milliseconds);
/* The text of the session's last client error ("" if none), valid until the
 * next call on the session. A null session gives why the calling thread's
 * latest corvane_start, corvane_attach or their _with_timeout forms failed,
 * a refused argument included ("" after one that worked), valid until that
 * thread's next such call. Never null. */
CORVANE_API const char* CORVANE_CALL corvane_last_error(const corvane_session* session);
/* corvane_start_with_timeout that also tells why the broker refused: the
 * broker runs as this process's debuggee, and each line it writes to the
 * debugger output ("[CorvaneBroker] denied: write to read-only hive") goes
 * to `on_line` with `context`. A refusal itself stays CORVANE_DENIED with an
 * empty text; the line is how to learn why, while developing.
 *
 * The call comes on the session's debugger thread, never on the caller's,
 * while the broker waits in the line's output: a line has arrived before the
 * request that caused it returns. So the callback must return soon and must
 * not call into the session, not even corvane_close (the broker, stopped,
 * cannot answer); it must not throw or jump out. Lines end with the session:
 * corvane_close closes the pipe, waits for the broker to end (ending it after
 * 5 s) and joins the thread, so no call comes once it has returned. Close
 * such a session before the plug-in unloads, not from DllMain or a DLL's
 * static destructors: the join would wait under the loader lock.
 *
 * The cost: this process becomes the broker's debugger. A host or sandbox may
 * forbid that; the call then answers CORVANE_E_START_FAILED, says so in
 * corvane_last_error(NULL), and no broker is left running: start without
 * diagnostics then. A null `on_line` is CORVANE_E_INVALID_ARGUMENT. */
CORVANE_API corvane_result CORVANE_CALL corvane_start_with_diagnostics(
    const wchar_t* broker_path, size_t broker_path_length, uint32_t served_process_id,
    uint32_t connect_timeout_ms, corvane_diagnostic_callback on_line, void* context,
    corvane_session** session);

/* ---- Buffers ----------------------------------------------------------- */

/* The bytes of a buffer and their count; for texts, UTF-16 units as wchar_t
 * (see corvane_buffer_text). Valid until the buffer is freed. A buffer of
 * bytes (file contents, frames) is no text: corvane_buffer_text gives null
 * and length 0 for it, and corvane_buffer_copy_text CORVANE_E_INVALID_ARGUMENT. */
CORVANE_API const uint8_t* CORVANE_CALL corvane_buffer_bytes(const corvane_buffer* buffer,
                                                             size_t* size);
CORVANE_API const wchar_t* CORVANE_CALL corvane_buffer_text(const corvane_buffer* buffer,
                                                            size_t* length);
/* Copies the text with a terminating NUL into `destination` of `capacity`
 * units; *length receives the text's length without the NUL (also when the
 * result is CORVANE_E_BUFFER_TOO_SMALL, so the caller can retry). */
CORVANE_API corvane_result CORVANE_CALL corvane_buffer_copy_text(const corvane_buffer* buffer,
                                                                 wchar_t* destination,
                                                                 size_t capacity, size_t* length);
/* Frees a buffer; a null one is ignored. */
CORVANE_API void CORVANE_CALL corvane_buffer_free(corvane_buffer* buffer);

/* ---- Any operation ----------------------------------------------------- */

/* Sends request 6 as given and waits for reply 7. `text` (may be null)
 * receives the reply's text as a text buffer when the result is 0..4. */
CORVANE_API corvane_result CORVANE_CALL corvane_request(corvane_session* session,
                                                        uint32_t operation, int32_t hive,
                                                        const wchar_t* path, size_t path_length,
                                                        const wchar_t* name, size_t name_length,
                                                        const wchar_t* data, size_t data_length,
                                                        corvane_buffer** text);

/* ---- Registry ---------------------------------------------------------- */

CORVANE_API corvane_result CORVANE_CALL corvane_read_string(corvane_session* session, int32_t hive,
                                                            const wchar_t* key, size_t key_length,
                                                            const wchar_t* name, size_t name_length,
                                                            corvane_buffer** value);
CORVANE_API corvane_result CORVANE_CALL corvane_write_string(
    corvane_session* session, int32_t hive, const wchar_t* key, size_t key_length,
    const wchar_t* name, size_t name_length, const wchar_t* value, size_t value_length);
CORVANE_API corvane_result CORVANE_CALL corvane_read_dword(corvane_session* session, int32_t hive,
                                                           const wchar_t* key, size_t key_length,
                                                           const wchar_t* name, size_t name_length,
                                                           uint32_t* value);
CORVANE_API corvane_result CORVANE_CALL corvane_write_dword(corvane_session* session, int32_t hive,
                                                            const wchar_t* key, size_t key_length,
                                                            const wchar_t* name, size_t name_length,
                                                            uint32_t value);
CORVANE_API corvane_result CORVANE_CALL corvane_read_qword(corvane_session* session, int32_t hive,
                                                           const wchar_t* key, size_t key_length,
                                                           const wchar_t* name, size_t name_length,
                                                           uint64_t* value);
CORVANE_API corvane_result CORVANE_CALL corvane_write_qword(corvane_session* session, int32_t hive,
                                                            const wchar_t* key, size_t key_length,
                                                            const wchar_t* name, size_t name_length,
                                                            uint64_t value);
CORVANE_API corvane_result CORVANE_CALL corvane_delete_value(corvane_session* session, int32_t hive,
                                                             const wchar_t* key, size_t key_length,
                                                             const wchar_t* name,
                                                             size_t name_length);
CORVANE_API corvane_result CORVANE_CALL corvane_delete_key(corvane_session* session, int32_t hive,
                                                           const wchar_t* key, size_t key_length);
CORVANE_API corvane_result CORVANE_CALL corvane_delete_key_tree(corvane_session* session,
                                                                int32_t hive, const wchar_t* key,
                                                                size_t key_length);
/* *exists: 1 when the key exists (result CORVANE_OK), 0 when it does not
 * (the broker's NotFound is then CORVANE_OK too). */
CORVANE_API corvane_result CORVANE_CALL corvane_key_exists(corvane_session* session, int32_t hive,
                                                           const wchar_t* key, size_t key_length,
                                                           int* exists);
/* The subkey names, each followed by one U+0000, in the registry's order. */
CORVANE_API corvane_result CORVANE_CALL corvane_list_subkeys(corvane_session* session, int32_t hive,
                                                             const wchar_t* key, size_t key_length,
                                                             corvane_buffer** names);
/* name, U+0000, text, U+0000 for every value (text empty for non-strings). */
CORVANE_API corvane_result CORVANE_CALL corvane_list_values(corvane_session* session, int32_t hive,
                                                            const wchar_t* key, size_t key_length,
                                                            corvane_buffer** values);
CORVANE_API corvane_result CORVANE_CALL corvane_copy_key_tree(corvane_session* session,
                                                              int32_t hive, const wchar_t* from,
                                                              size_t from_length, const wchar_t* to,
                                                              size_t to_length);

/* ---- Files ------------------------------------------------------------- */

/* The file's bytes (at most 4 MiB). */
CORVANE_API corvane_result CORVANE_CALL corvane_file_read(corvane_session* session,
                                                          const wchar_t* path, size_t path_length,
                                                          corvane_buffer** contents);
CORVANE_API corvane_result CORVANE_CALL corvane_file_write(corvane_session* session,
                                                           const wchar_t* path, size_t path_length,
                                                           const uint8_t* contents, size_t size);
/* *exists as for corvane_key_exists; a folder counts as existing. */
CORVANE_API corvane_result CORVANE_CALL corvane_file_exists(corvane_session* session,
                                                            const wchar_t* path, size_t path_length,
                                                            int* exists);
CORVANE_API corvane_result CORVANE_CALL corvane_file_delete(corvane_session* session,
                                                            const wchar_t* path,
                                                            size_t path_length);
CORVANE_API corvane_result CORVANE_CALL corvane_file_copy(corvane_session* session,
                                                          const wchar_t* source,
                                                          size_t source_length,
                                                          const wchar_t* destination,
                                                          size_t destination_length);
CORVANE_API corvane_result CORVANE_CALL corvane_file_export(corvane_session* session,
                                                            const wchar_t* source,
                                                            size_t source_length,
                                                            const wchar_t* destination,
                                                            size_t destination_length);

/* ---- Shell, ping, keep-alive ------------------------------------------- */

CORVANE_API corvane_result CORVANE_CALL corvane_shell_open(corvane_session* session,
                                                           const wchar_t* target,
                                                           size_t target_length);
/* CORVANE_OK when the broker answered "pong". */
CORVANE_API corvane_result CORVANE_CALL corvane_ping(corvane_session* session);
/* Message 1; the broker does not answer it. */
CORVANE_API corvane_result CORVANE_CALL corvane_keep_alive(corvane_session* session);

/* ---- The plug-in channel ----------------------------------------------- */

/* Asks the broker for a private pipe whose server end it places in process
 * `process_id` (0: this one). CORVANE_OK with *handle set: the pipe's handle
 * value in that process. Otherwise *system_error (if not null) holds the
 * broker's system error code (0 when it gave none) and the result is
 * CORVANE_FAILED. */
CORVANE_API corvane_result CORVANE_CALL corvane_get_plugin_channel(corvane_session* session,
                                                                   uint32_t process_id,
                                                                   uint64_t* handle,
                                                                   uint32_t* system_error);

/* ---- Raw frames, for experts ------------------------------------------- */

/* Writes the bytes as they are (whole frames in the broker's format; see
 * docs/protocol.md). The broker ends the session on a malformed frame. */
CORVANE_API corvane_result CORVANE_CALL corvane_send_frame(corvane_session* session,
                                                           const uint8_t* bytes, size_t size);
/* Waits for the next whole frame from the broker and returns its bytes. */
CORVANE_API corvane_result CORVANE_CALL corvane_read_frame(corvane_session* session,
                                                           corvane_buffer** frame);

#endif /* CORVANE_NO_PROTOTYPES */

/* ---- Entry point types, for hosts that load the DLL with GetProcAddress -- */

/* One pointer type per entry point, named after it with _fn:
 *   corvane_ping_fn ping = (corvane_ping_fn)GetProcAddress(dll, "corvane_ping"); */
typedef const char*(CORVANE_CALL* corvane_version_fn)(void);
typedef const char*(CORVANE_CALL* corvane_result_name_fn)(corvane_result);
typedef const char*(CORVANE_CALL* corvane_operation_name_fn)(uint32_t);
typedef corvane_result(CORVANE_CALL* corvane_folder_fn)(int32_t, corvane_buffer**);
typedef corvane_result(CORVANE_CALL* corvane_start_fn)(const wchar_t*, size_t, uint32_t,
                                                       corvane_session**);
typedef corvane_result(CORVANE_CALL* corvane_start_with_timeout_fn)(const wchar_t*, size_t,
                                                                    uint32_t, uint32_t,
                                                                    corvane_session**);
typedef corvane_result(CORVANE_CALL* corvane_attach_fn)(const wchar_t*, size_t, corvane_session**);
typedef corvane_result(CORVANE_CALL* corvane_attach_with_timeout_fn)(const wchar_t*, size_t,
                                                                     uint32_t, corvane_session**);
typedef void(CORVANE_CALL* corvane_close_fn)(corvane_session*);
typedef corvane_result(CORVANE_CALL* corvane_set_timeout_fn)(corvane_session*, uint32_t);
typedef const char*(CORVANE_CALL* corvane_last_error_fn)(const corvane_session*);
typedef const uint8_t*(CORVANE_CALL* corvane_buffer_bytes_fn)(const corvane_buffer*, size_t*);
typedef const wchar_t*(CORVANE_CALL* corvane_buffer_text_fn)(const corvane_buffer*, size_t*);
typedef corvane_result(CORVANE_CALL* corvane_buffer_copy_text_fn)(const corvane_buffer*, wchar_t*,
                                                                  size_t, size_t*);
typedef void(CORVANE_CALL* corvane_buffer_free_fn)(corvane_buffer*);
typedef corvane_result(CORVANE_CALL* corvane_request_fn)(corvane_session*, uint32_t, int32_t,
                                                         const wchar_t*, size_t, const wchar_t*,
                                                         size_t, const wchar_t*, size_t,
                                                         corvane_buffer**);
typedef corvane_result(CORVANE_CALL* corvane_read_string_fn)(corvane_session*, int32_t,
                                                             const wchar_t*, size_t, const wchar_t*,
                                                             size_t, corvane_buffer**);
typedef corvane_result(CORVANE_CALL* corvane_write_string_fn)(corvane_session*, int32_t,
                                                              const wchar_t*, size_t,
                                                              const wchar_t*, size_t,
                                                              const wchar_t*, size_t);
typedef corvane_result(CORVANE_CALL* corvane_read_dword_fn)(corvane_session*, int32_t,
                                                            const wchar_t*, size_t, const wchar_t*,
                                                            size_t, uint32_t*);
typedef corvane_result(CORVANE_CALL* corvane_write_dword_fn)(corvane_session*, int32_t,
                                                             const wchar_t*, size_t, const wchar_t*,
                                                             size_t, uint32_t);
typedef corvane_result(CORVANE_CALL* corvane_read_qword_fn)(corvane_session*, int32_t,
                                                            const wchar_t*, size_t, const wchar_t*,
                                                            size_t, uint64_t*);
typedef corvane_result(CORVANE_CALL* corvane_write_qword_fn)(corvane_session*, int32_t,
                                                             const wchar_t*, size_t, const wchar_t*,
                                                             size_t, uint64_t);
typedef corvane_result(CORVANE_CALL* corvane_delete_value_fn)(corvane_session*, int32_t,
                                                              const wchar_t*, size_t,
                                                              const wchar_t*, size_t);
typedef corvane_result(CORVANE_CALL* corvane_delete_key_fn)(corvane_session*, int32_t,
                                                            const wchar_t*, size_t);
typedef corvane_result(CORVANE_CALL* corvane_delete_key_tree_fn)(corvane_session*, int32_t,
                                                                 const wchar_t*, size_t);
typedef corvane_result(CORVANE_CALL* corvane_key_exists_fn)(corvane_session*, int32_t,
                                                            const wchar_t*, size_t, int*);
typedef corvane_result(CORVANE_CALL* corvane_list_subkeys_fn)(corvane_session*, int32_t,
                                                              const wchar_t*, size_t,
                                                              corvane_buffer**);
typedef corvane_result(CORVANE_CALL* corvane_list_values_fn)(corvane_session*, int32_t,
                                                             const wchar_t*, size_t,
                                                             corvane_buffer**);
typedef corvane_result(CORVANE_CALL* corvane_copy_key_tree_fn)(corvane_session*, int32_t,
                                                               const wchar_t*, size_t,
                                                               const wchar_t*, size_t);
typedef corvane_result(CORVANE_CALL* corvane_file_read_fn)(corvane_session*, const wchar_t*, size_t,
                                                           corvane_buffer**);
typedef corvane_result(CORVANE_CALL* corvane_file_write_fn)(corvane_session*, const wchar_t*,
                                                            size_t, const uint8_t*, size_t);
typedef corvane_result(CORVANE_CALL* corvane_file_exists_fn)(corvane_session*, const wchar_t*,
                                                             size_t, int*);
typedef corvane_result(CORVANE_CALL* corvane_file_delete_fn)(corvane_session*, const wchar_t*,
                                                             size_t);
typedef corvane_result(CORVANE_CALL* corvane_file_copy_fn)(corvane_session*, const wchar_t*, size_t,
                                                           const wchar_t*, size_t);
typedef corvane_result(CORVANE_CALL* corvane_file_export_fn)(corvane_session*, const wchar_t*,
                                                             size_t, const wchar_t*, size_t);
typedef corvane_result(CORVANE_CALL* corvane_shell_open_fn)(corvane_session*, const wchar_t*,
                                                            size_t);
typedef corvane_result(CORVANE_CALL* corvane_ping_fn)(corvane_session*);
typedef corvane_result(CORVANE_CALL* corvane_keep_alive_fn)(corvane_session*);
typedef corvane_result(CORVANE_CALL* corvane_get_plugin_channel_fn)(corvane_session*, uint32_t,
                                                                    uint64_t*, uint32_t*);
typedef corvane_result(CORVANE_CALL* corvane_send_frame_fn)(corvane_session*, const uint8_t*,
                                                            size_t);
typedef corvane_result(CORVANE_CALL* corvane_read_frame_fn)(corvane_session*, corvane_buffer**);
typedef corvane_result(CORVANE_CALL* corvane_start_with_diagnostics_fn)(const wchar_t*, size_t,
                                                                        uint32_t, uint32_t,
                                                                        corvane_diagnostic_callback,
                                                                        void*, corvane_session**);

/* Every entry point of corvane_client.dll, one line each: X(name) is given
 * the C API's name, and name##_fn is its pointer type above. A function added
 * to the API gets its line here (corvane/loader.h fills one pointer a line). */
#define CORVANE_ENTRY_POINTS(X)     \
  X(corvane_version)                \
  X(corvane_result_name)            \
  X(corvane_operation_name)         \
  X(corvane_folder)                 \
  X(corvane_start)                  \
  X(corvane_start_with_timeout)     \
  X(corvane_start_with_diagnostics) \
  X(corvane_attach)                 \
  X(corvane_attach_with_timeout)    \
  X(corvane_close)                  \
  X(corvane_set_timeout)            \
  X(corvane_last_error)             \
  X(corvane_buffer_bytes)           \
  X(corvane_buffer_text)            \
  X(corvane_buffer_copy_text)       \
  X(corvane_buffer_free)            \
  X(corvane_request)                \
  X(corvane_read_string)            \
  X(corvane_write_string)           \
  X(corvane_read_dword)             \
  X(corvane_write_dword)            \
  X(corvane_read_qword)             \
  X(corvane_write_qword)            \
  X(corvane_delete_value)           \
  X(corvane_delete_key)             \
  X(corvane_delete_key_tree)        \
  X(corvane_key_exists)             \
  X(corvane_list_subkeys)           \
  X(corvane_list_values)            \
  X(corvane_copy_key_tree)          \
  X(corvane_file_read)              \
  X(corvane_file_write)             \
  X(corvane_file_exists)            \
  X(corvane_file_delete)            \
  X(corvane_file_copy)              \
  X(corvane_file_export)            \
  X(corvane_shell_open)             \
  X(corvane_ping)                   \
  X(corvane_keep_alive)             \
  X(corvane_get_plugin_channel)     \
  X(corvane_send_frame)             \
  X(corvane_read_frame)

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* CORVANE_CORVANE_H */
