// The tool's commands: one per broker operation plus the plug-in channel
// request, and how a command's words turn into a request.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/client/client_result.h"
#include "protocol/operations.h"

namespace corvane::cli {

struct CliCommand {
  std::vector<std::u16string> words;  // as typed, for echoing
  bool pluginChannel = false;
  bool keepAlive = false;  // message 1 instead of a request
  uint32_t operation = 0;
  int32_t hive = 0;
  std::u16string path;
  std::u16string name;
  std::u16string data;
  std::u16string inFile;   // file-write: contents come from this local file
  std::u16string outFile;  // file-read: contents go to this local file
  bool channelForSelf = false;
  uint32_t processId = 0;
  OkText shape = OkText::Text;  // how an Ok answer is laid out: the operation row's form

  // True for the operations whose path and name are file-system paths.
  bool TakesFilePaths() const;
};

struct CommandInfo {
  std::string_view name;
  std::string_view arguments;
  std::string_view description;
  std::string_view example;
};

// Every command in help order.
const std::vector<CommandInfo>& Commands();

// `words` is the command name followed by its arguments. An error names
// the command's usage.
client::Result<CliCommand, std::string> ParseCommand(const std::vector<std::u16string>& words);

// "hkcu", "hklm" (or their full names, any case), or a number from
// -2147483648 to 4294967295 (decimal or 0x hex), sent as its 32-bit pattern.
std::optional<int32_t> ParseHive(std::u16string_view text);

}  // namespace corvane::cli
