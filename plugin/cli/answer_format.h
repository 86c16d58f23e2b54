// How requests, answers and the broker's debug output lines are printed.
// Every function returns whole lines, each ending in "\n", in UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "plugin/cli/cli_command.h"

namespace corvane::cli {

// A text made printable: control characters become \0, \t, \n, \r or \x{..}
// and unpaired surrogates \x{....}; everything else is kept.
std::string ReadableText(std::u16string_view text);

// "> " and the command's words, quoted where a script would need it.
std::string FormatEcho(const CliCommand& command);

// The status by name and code, then an Ok answer's text laid out by its form.
std::string FormatAnswer(OkText form, int32_t status, std::u16string_view text);

// For file-read --out: the status and where the bytes went.
std::string FormatSavedContents(int32_t status, size_t byteCount, std::u16string_view localFile);

// The plug-in channel reply: a system error code and a handle value.
std::string FormatChannelReply(uint32_t error, uint64_t handle, uint32_t processId);

// For keep-alive, which has no answer: that it went out.
std::string FormatKeepAliveSent();

// Each line of one debug output string, prefixed "broker: ".
std::string FormatDiagnostic(std::string_view output);

}  // namespace corvane::cli
