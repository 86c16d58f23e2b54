#include "plugin/cli/cli_command.h"

#include <algorithm>
#include <array>
#include <deque>
#include <iterator>
#include <limits>
#include <string>

#include "plugin/cli/utf_convert.h"
#include "protocol/ascii_text.h"
#include "protocol/decimal_text.h"
#include "protocol/hives.h"
#include "protocol/operations.h"

namespace corvane::cli {
namespace {

// Where a positional argument goes.
enum class Slot { Hive, Path, Name, Data, Dword, Qword, ProcessId, Operation };

// Which local-file option a command accepts.
enum class LocalOption { None, Out, In };

constexpr uint32_t kChannel = 0;             // pseudo operation: the plug-in channel request
constexpr uint32_t kRaw = 0xFFFFFFFF;        // pseudo operation: the code comes from the words
constexpr uint32_t kKeepAlive = 0xFFFFFFFE;  // pseudo operation: message 1, never answered

struct CommandRow {
  CommandInfo info;
  uint32_t operation;
  std::array<Slot, 5> slots{};
  size_t slotCount = 0;
  LocalOption local = LocalOption::None;
};

using Op = BrokerOperation;

// A command that sends one operation: its name, its code and its arguments
// come from the operation's row. The hive comes first when the path is a
// key; numbers are checked before they are sent; hexadecimal contents may
// come from a local file and go to one.
constexpr CommandRow OperationRow(Op operation, std::string_view arguments,
                                  std::string_view description, std::string_view example) {
  const OperationInfo& row = Operation(operation);
  CommandRow command{{row.name, arguments, description, example}, OperationCode(operation)};
  const auto take = [&](Slot slot) { command.slots[command.slotCount++] = slot; };
  if (row.pathRole == FieldRole::Key) take(Slot::Hive);
  if (row.pathRole != FieldRole::Unused) take(Slot::Path);
  if (row.nameRole != FieldRole::Unused) take(Slot::Name);
  if (row.dataRole == FieldRole::Decimal32) {
    take(Slot::Dword);
  } else if (row.dataRole == FieldRole::Decimal64) {
    take(Slot::Qword);
  } else if (row.dataRole != FieldRole::Unused) {
    take(Slot::Data);
  }
  if (row.dataRole == FieldRole::HexBytes) command.local = LocalOption::In;
  if (row.okText == OkText::HexBytes) command.local = LocalOption::Out;
  return command;
}

// clang-format off
constexpr CommandRow kCommandTable[] = {
  OperationRow(Op::ReadString, "HIVE KEY NAME", "read a string value",
    "read-string hkcu Software\\Corvane Greeting"),
  OperationRow(Op::WriteString, "HIVE KEY NAME TEXT", "write a string value",
    "write-string hkcu Software\\Corvane Greeting \"hello there\""),
  OperationRow(Op::ReadDword, "HIVE KEY NAME", "read a 32-bit value",
    "read-dword hkcu Software\\Corvane Count"),
  OperationRow(Op::WriteDword, "HIVE KEY NAME NUMBER",
    "write a 32-bit value: 0 to 4294967295, or -2147483648 to -1 as two's complement",
    "write-dword hkcu Software\\Corvane Count 42"),
  OperationRow(Op::ReadQword, "HIVE KEY NAME", "read a 64-bit value",
    "read-qword hkcu Software\\Corvane Big"),
  OperationRow(Op::WriteQword, "HIVE KEY NAME NUMBER",
    "write a 64-bit value: 0 to 18446744073709551615, or negative as two's complement",
    "write-qword hkcu Software\\Corvane Big 1099511627776"),
  OperationRow(Op::DeleteValue, "HIVE KEY NAME", "delete a value (a missing one counts as deleted)",
    "delete-value hkcu Software\\Corvane Greeting"),
  OperationRow(Op::DeleteKey, "HIVE KEY", "delete a key that has no subkeys",
    "delete-key hkcu Software\\Corvane\\Old"),
  OperationRow(Op::DeleteKeyTree, "HIVE KEY", "delete a key with everything below it",
    "delete-tree hkcu Software\\Corvane\\Old"),
  OperationRow(Op::KeyExists, "HIVE KEY", "test a key: Ok if it exists, NotFound if not",
    "key-exists hklm Software\\Corvane"),
  OperationRow(Op::ListSubkeys, "HIVE KEY", "list the names of a key's subkeys",
    "list-subkeys hkcu Software\\Corvane"),
  OperationRow(Op::ListValues, "HIVE KEY", "list a key's values as name = text (strings only)",
    "list-values hkcu Software\\Corvane"),
  OperationRow(Op::CopyKeyTree, "HIVE SOURCE-KEY DEST-KEY", "copy a key with everything below it",
    "copy-tree hkcu Software\\Corvane\\A Software\\Corvane\\B"),
  OperationRow(Op::Ping, "", "check that the broker answers (\"pong\")", "ping"),
  {{"keep-alive", "", "send the keep-alive message, which the broker takes without answering",
    "keep-alive"},
   kKeepAlive},
  OperationRow(Op::FileRead, "PATH [--out LOCAL-FILE]",
    "read a file below %APPDATA%\\corvane; shown as hex or saved locally",
    "file-read %APPDATA%\\corvane\\notes.txt --out notes.txt"),
  OperationRow(Op::FileWrite, "PATH (HEX | --in LOCAL-FILE)",
    "write a file below %APPDATA%\\corvane from hex or a local file",
    "file-write %APPDATA%\\corvane\\notes.txt 68656c6c6f"),
  OperationRow(Op::FileExists, "PATH", "test a file or folder: Ok if it exists, NotFound if not",
    "file-exists %APPDATA%\\corvane\\notes.txt"),
  OperationRow(Op::FileDelete, "PATH", "delete a file (a missing one counts as deleted)",
    "file-delete %APPDATA%\\corvane\\notes.txt"),
  OperationRow(Op::FileCopy, "SOURCE DEST", "copy a PDF document into %LOCALAPPDATA%\\Temp",
    "file-copy C:\\docs\\a.pdf %LOCALAPPDATA%\\Temp\\a.pdf"),
  OperationRow(Op::FileExport, "SOURCE DEST", "copy an image file out of %LOCALAPPDATA%\\Temp",
    "file-export %LOCALAPPDATA%\\Temp\\p.png C:\\docs\\p.png"),
  OperationRow(Op::ShellOpen, "TARGET", "open a web address or a document with the shell",
    "shell-open https://example.org/"),
  {{"plugin-channel", "PID|self",
    "ask for a private pipe whose server end is placed in process PID",
    "plugin-channel self"},
   kChannel, {Slot::ProcessId}, 1},
  {{"request", "OPERATION HIVE PATH NAME DATA",
    "send any operation code with all five fields as given",
    "request 19 hkcu Software\\Corvane \"\" \"\""},
   kRaw, {Slot::Operation, Slot::Hive, Slot::Path, Slot::Name, Slot::Data}, 5},
};
// clang-format on

// An operation of the table that has no row above still is a command of its
// table name: the four fields of the request as given.
CommandRow GenericRow(const OperationInfo& operation) {
  static constexpr std::string_view kArguments = "HIVE PATH NAME DATA";
  static std::deque<std::string> texts;  // what the rows' views point into
  const std::string code = std::to_string(OperationCode(operation.code));
  const std::string& description =
      texts.emplace_back("send operation " + code + " with its four fields as given");
  const std::string& example =
      texts.emplace_back(std::string(operation.name) + " hkcu Software\\Corvane \"\" \"\"");
  return {{operation.name, kArguments, description, example},
          OperationCode(operation.code),
          {Slot::Hive, Slot::Path, Slot::Name, Slot::Data},
          4};
}

// The rows above, then a generic one for every other operation of the table.
const std::vector<CommandRow>& CommandRows() {
  static const std::vector<CommandRow> rows = [] {
    std::vector<CommandRow> all(std::begin(kCommandTable), std::end(kCommandTable));
    for (const OperationInfo& operation : kOperations) {
      const bool listed = std::any_of(all.begin(), all.end(), [&](const CommandRow& row) {
        return row.operation == OperationCode(operation.code);
      });
      if (!listed) all.push_back(GenericRow(operation));
    }
    return all;
  }();
  return rows;
}

std::vector<CommandInfo> BuildInfos() {
  std::vector<CommandInfo> infos;
  for (const CommandRow& row : CommandRows()) infos.push_back(row.info);
  return infos;
}

bool EqualsAscii(std::u16string_view word, std::string_view ascii) {
  if (word.size() != ascii.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if (word[i] != static_cast<char16_t>(static_cast<unsigned char>(ascii[i]))) return false;
  }
  return true;
}

// Unsigned decimal, or hexadecimal after "0x"; nothing above `limit` or on
// anything but digits (no blanks, no sign).
std::optional<uint64_t> ParseUnsigned(std::u16string_view text, uint64_t limit) {
  unsigned base = 10;
  if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  uint64_t value = 0;
  if (!ReadWholeDigits(text, limit, value, base)) return std::nullopt;
  return value;
}

// An optional minus sign, then ParseUnsigned: at most `negativeLimit` below
// zero and `positiveLimit` above it. A negative number comes back as its two's
// complement bit pattern.
std::optional<uint64_t> ParseNumber(std::u16string_view text, uint64_t negativeLimit,
                                    uint64_t positiveLimit) {
  const bool negative = !text.empty() && text[0] == u'-';
  if (negative) text.remove_prefix(1);
  const auto magnitude = ParseUnsigned(text, negative ? negativeLimit : positiveLimit);
  if (!magnitude) return std::nullopt;
  return negative ? 0 - *magnitude : *magnitude;
}

std::string Quoted(std::u16string_view word) {
  return "'" + Utf16ToUtf8(word) + "'";
}

std::string UsageOf(const CommandRow& row) {
  std::string usage = "usage: ";
  usage += row.info.name;
  if (!row.info.arguments.empty()) {
    usage += ' ';
    usage += row.info.arguments;
  }
  return usage;
}

// How an answer to `operation` is laid out: by its row's Ok text, as a text
// for a code without a row.
OkText AnswerForm(uint32_t operation) {
  const OperationInfo* row = FindOperation(operation);
  return row != nullptr ? row->okText : OkText::Text;
}

// What a slot's word is wrong for, if it is.
using Filled = client::Result<client::Done, std::string>;

Filled FillSlot(Slot slot, std::u16string_view word, CliCommand& command) {
  switch (slot) {
    case Slot::Hive: {
      const auto hive = ParseHive(word);
      if (!hive) return "unknown hive " + Quoted(word) + " (use hkcu, hklm or a number)";
      command.hive = *hive;
      return client::Done{};
    }
    case Slot::Path:
      command.path = word;
      return client::Done{};
    case Slot::Name:
      command.name = word;
      return client::Done{};
    case Slot::Data:
      command.data = word;
      return client::Done{};
    case Slot::Dword:
    case Slot::Qword: {
      // The broker reads decimal only and keeps the low bits of whatever it
      // read, junk and overflow included; so the number is checked here and
      // sent as the unsigned decimal of the exact bits meant.
      const bool dword = slot == Slot::Dword;
      const auto value =
          dword ? ParseNumber(word, uint64_t{1} << 31, std::numeric_limits<uint32_t>::max())
                : ParseNumber(word, uint64_t{1} << 63, std::numeric_limits<uint64_t>::max());
      if (!value) {
        return "bad number " + Quoted(word) +
               (dword ? " (use 0 to 4294967295 or -2147483648 to -1"
                      : " (use 0 to 18446744073709551615 or -9223372036854775808 to -1") +
               ", in decimal or 0x hex)";
      }
      command.data = FormatDecimal(dword ? *value & 0xFFFFFFFFu : *value);
      return client::Done{};
    }
    case Slot::ProcessId: {
      if (EqualsAsciiNoCase(word, "self")) {
        command.channelForSelf = true;
        return client::Done{};
      }
      const auto pid = ParseUnsigned(word, std::numeric_limits<uint32_t>::max());
      if (!pid) return "bad process id " + Quoted(word) + " (use a number or self)";
      command.processId = static_cast<uint32_t>(*pid);
      return client::Done{};
    }
    case Slot::Operation: {
      const auto operation = ParseUnsigned(word, std::numeric_limits<uint32_t>::max());
      if (!operation) return "bad operation code " + Quoted(word) + " (use a number)";
      command.operation = static_cast<uint32_t>(*operation);
      return client::Done{};
    }
  }
  return std::string("no slot");
}

// Takes "--out X", "--out=X", "--in X" or "--in=X" at `words[i]`; moves `i`
// past what it used.
Filled TakeOption(const CommandRow& row, const std::vector<std::u16string>& words, size_t& i,
                  CliCommand& command) {
  const std::u16string& word = words[i];
  const std::u16string_view option = std::u16string_view(word).substr(0, word.find(u'='));
  const bool isOut = EqualsAscii(option, "--out");
  const bool isIn = EqualsAscii(option, "--in");
  if ((isOut && row.local != LocalOption::Out) || (isIn && row.local != LocalOption::In) ||
      (!isOut && !isIn)) {
    return "unknown option " + Quoted(option) + " for " + std::string(row.info.name) + "; " +
           UsageOf(row);
  }
  std::u16string value;
  if (option.size() < word.size()) {
    value = word.substr(option.size() + 1);
  } else if (i + 1 < words.size()) {
    value = words[++i];
  }
  if (value.empty()) return "option " + Quoted(option) + " needs a local file name";
  std::u16string& target = isOut ? command.outFile : command.inFile;
  if (!target.empty()) return "option " + Quoted(option) + " given twice";
  target = std::move(value);
  return client::Done{};
}

}  // namespace

bool CliCommand::TakesFilePaths() const {
  const OperationInfo* row = FindOperation(operation);
  return !pluginChannel && row != nullptr && corvane::TakesFilePaths(*row);
}

const std::vector<CommandInfo>& Commands() {
  static const std::vector<CommandInfo> infos = BuildInfos();
  return infos;
}

std::optional<int32_t> ParseHive(std::u16string_view text) {
  if (EqualsAsciiNoCase(text, "hkcu") || EqualsAsciiNoCase(text, "hkey_current_user")) {
    return HiveCode(RegistryHive::CurrentUser);
  }
  if (EqualsAsciiNoCase(text, "hklm") || EqualsAsciiNoCase(text, "hkey_local_machine")) {
    return HiveCode(RegistryHive::LocalMachine);
  }
  // Codes above the signed range are accepted as their 32-bit pattern.
  const auto bits = ParseNumber(text, uint64_t{1} << 31, std::numeric_limits<uint32_t>::max());
  if (!bits) return std::nullopt;
  return static_cast<int32_t>(static_cast<uint32_t>(*bits));
}

client::Result<CliCommand, std::string> ParseCommand(const std::vector<std::u16string>& words) {
  if (words.empty()) return std::string("no command given; try --help");
  const CommandRow* row = nullptr;
  for (const CommandRow& candidate : CommandRows()) {
    if (EqualsAscii(words[0], candidate.info.name)) row = &candidate;
  }
  if (row == nullptr) return "unknown command " + Quoted(words[0]) + "; try --help";

  CliCommand command;
  command.words = words;
  command.pluginChannel = row->operation == kChannel;
  command.keepAlive = row->operation == kKeepAlive;
  command.operation = row->operation == kRaw || command.keepAlive ? 0 : row->operation;

  std::vector<std::u16string_view> positional;
  bool optionsEnded = false;
  for (size_t i = 1; i < words.size(); ++i) {
    const std::u16string& word = words[i];
    if (!optionsEnded && EqualsAscii(word, "--")) {
      optionsEnded = true;
    } else if (!optionsEnded && word.size() > 2 && word[0] == u'-' && word[1] == u'-') {
      if (auto taken = TakeOption(*row, words, i, command); !taken) return taken.error();
    } else {
      positional.push_back(word);
    }
  }

  // file-write takes its contents either as hex or from --in, not both.
  size_t expected = row->slotCount;
  if (row->local == LocalOption::In && !command.inFile.empty()) --expected;
  if (positional.size() != expected) {
    if (row->local == LocalOption::In && !command.inFile.empty() &&
        positional.size() == row->slotCount) {
      return "give the contents either as hex or with --in, not both; " + UsageOf(*row);
    }
    return std::string(row->info.name) + " takes " + std::to_string(expected) +
           (expected == 1 ? " argument" : " arguments") + ", got " +
           std::to_string(positional.size()) + "; " + UsageOf(*row);
  }
  for (size_t i = 0; i < positional.size(); ++i) {
    if (auto filled = FillSlot(row->slots[i], positional[i], command); !filled) {
      return filled.error();
    }
  }
  command.shape = AnswerForm(command.operation);
  return command;
}

}  // namespace corvane::cli
