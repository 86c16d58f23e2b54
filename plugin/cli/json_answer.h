// --json: each answer as one JSON object on one line, for scripts. Every
// object has "operation" (the command's name); a request's answer adds
// "code" (the operation's code), "status" and "status_name", then by the
// form of the operation's Ok text "text", "value" (a number, also as "text"),
// "values" (a list: strings, or {"name", "text"} pairs) or "bytes" (file
// contents: their count, and the hex text). Texts are the broker's UTF-16,
// escaped as JSON strings: a unit no UTF-8 can hold (an unpaired surrogate)
// is written as its \u escape, so nothing is lost. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "plugin/cli/cli_command.h"

namespace corvane::cli {

// A JSON string literal of `text`, quotes included.
std::string JsonString(std::u16string_view text);

// A request's answer.
std::string JsonAnswer(const CliCommand& command, int32_t status, std::u16string_view text);

// file-read --out: the answer with "bytes" and "saved_to" instead of the hex.
std::string JsonSavedContents(const CliCommand& command, int32_t status, size_t byteCount,
                              std::u16string_view localFile);

// The plug-in channel reply: "error", and "handle" (null when none came).
std::string JsonChannelReply(uint32_t error, uint64_t handle, uint32_t processId);

// A session that could not start: "operation" "start", "status_name"
// "StartFailed" and "message", the reason (UTF-8) also given on standard error.
std::string JsonStartFailed(std::string_view message);

// keep-alive, which has no answer: "sent": true.
std::string JsonKeepAliveSent();

}  // namespace corvane::cli
