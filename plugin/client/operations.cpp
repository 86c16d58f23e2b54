#include "plugin/client/operations.h"

#include <utility>

#include "plugin/client/value_text.h"
#include "protocol/decimal_text.h"
#include "protocol/hex_text.h"
#include "protocol/nul_joined_text.h"

namespace corvane::client {

namespace {

using Op = corvane::BrokerOperation;

Result<Reply> Send(BrokerConnection& c, Op op, Hive hive, std::u16string path,
                   std::u16string name = {}, std::u16string data = {}) {
  return c.Request(OperationCode(op), static_cast<int32_t>(hive), std::move(path), std::move(name),
                   std::move(data));
}

Result<Reply> Send(BrokerConnection& c, Op op, std::u16string path, std::u16string name = {},
                   std::u16string data = {}) {
  return Send(c, op, Hive::CurrentUser, std::move(path), std::move(name), std::move(data));
}

Result<int32_t> StatusOf(Result<Reply> reply) {
  if (!reply) return reply.error();
  return reply->status;
}

ClientError Malformed(const char* what) {
  return {ErrorKind::Malformed, what};
}

// Turns the text of a successful reply into `T` with `parse`; a failed
// reply carries its status and an empty value.
template <class T, class Parse>
Result<Answer<T>> Typed(Result<Reply> reply, Parse&& parse) {
  if (!reply) return reply.error();
  Answer<T> answer;
  answer.status = reply->status;
  if (!answer.ok()) return answer;
  if (!parse(reply->text, answer.value)) return Malformed("the reply text has the wrong form");
  return answer;
}

bool AsText(std::u16string& text, std::u16string& out) {
  out = std::move(text);
  return true;
}

template <uint64_t Max, class T>
bool AsNumber(const std::u16string& text, T& out) {
  const auto value = ParseDecimal(text, Max);
  if (!value) return false;
  out = static_cast<T>(*value);
  return true;
}

}  // namespace

Result<Answer<std::u16string>> ReadString(BrokerConnection& c, Hive hive, std::u16string key,
                                          std::u16string name) {
  return Typed<std::u16string>(Send(c, Op::ReadString, hive, std::move(key), std::move(name)),
                               AsText);
}

Result<int32_t> WriteString(BrokerConnection& c, Hive hive, std::u16string key, std::u16string name,
                            std::u16string value) {
  return StatusOf(
      Send(c, Op::WriteString, hive, std::move(key), std::move(name), std::move(value)));
}

Result<Answer<uint32_t>> ReadDword(BrokerConnection& c, Hive hive, std::u16string key,
                                   std::u16string name) {
  return Typed<uint32_t>(Send(c, Op::ReadDword, hive, std::move(key), std::move(name)),
                         AsNumber<0xFFFFFFFFull, uint32_t>);
}

Result<int32_t> WriteDword(BrokerConnection& c, Hive hive, std::u16string key, std::u16string name,
                           uint32_t value) {
  return StatusOf(
      Send(c, Op::WriteDword, hive, std::move(key), std::move(name), FormatDecimal(value)));
}

Result<Answer<uint64_t>> ReadQword(BrokerConnection& c, Hive hive, std::u16string key,
                                   std::u16string name) {
  return Typed<uint64_t>(Send(c, Op::ReadQword, hive, std::move(key), std::move(name)),
                         AsNumber<~0ull, uint64_t>);
}

Result<int32_t> WriteQword(BrokerConnection& c, Hive hive, std::u16string key, std::u16string name,
                           uint64_t value) {
  return StatusOf(
      Send(c, Op::WriteQword, hive, std::move(key), std::move(name), FormatDecimal(value)));
}

Result<int32_t> DeleteValue(BrokerConnection& c, Hive hive, std::u16string key,
                            std::u16string name) {
  return StatusOf(Send(c, Op::DeleteValue, hive, std::move(key), std::move(name)));
}

Result<int32_t> DeleteKey(BrokerConnection& c, Hive hive, std::u16string key) {
  return StatusOf(Send(c, Op::DeleteKey, hive, std::move(key)));
}

Result<int32_t> DeleteKeyTree(BrokerConnection& c, Hive hive, std::u16string key) {
  return StatusOf(Send(c, Op::DeleteKeyTree, hive, std::move(key)));
}

Result<int32_t> KeyExists(BrokerConnection& c, Hive hive, std::u16string key) {
  return StatusOf(Send(c, Op::KeyExists, hive, std::move(key)));
}

Result<Answer<std::vector<std::u16string>>> ListSubkeys(BrokerConnection& c, Hive hive,
                                                        std::u16string key) {
  return Typed<std::vector<std::u16string>>(
      Send(c, Op::ListSubkeys, hive, std::move(key)),
      [](const std::u16string& text, std::vector<std::u16string>& out) {
        out = SplitAtNul(text);
        return true;
      });
}

Result<Answer<std::vector<ValueItem>>> ListValues(BrokerConnection& c, Hive hive,
                                                  std::u16string key) {
  return Typed<std::vector<ValueItem>>(
      Send(c, Op::ListValues, hive, std::move(key)),
      [](const std::u16string& text, std::vector<ValueItem>& out) {
        std::vector<std::u16string> items = SplitAtNul(text);
        if (items.size() % 2 != 0) return false;
        for (size_t i = 0; i < items.size(); i += 2) {
          out.push_back(ValueItem{std::move(items[i]), std::move(items[i + 1])});
        }
        return true;
      });
}

Result<int32_t> CopyKeyTree(BrokerConnection& c, Hive hive, std::u16string from,
                            std::u16string to) {
  return StatusOf(Send(c, Op::CopyKeyTree, hive, std::move(from), std::move(to)));
}

Result<Answer<std::vector<uint8_t>>> FileRead(BrokerConnection& c, std::u16string path) {
  return Typed<std::vector<uint8_t>>(Send(c, Op::FileRead, std::move(path)),
                                     [](const std::u16string& text, std::vector<uint8_t>& out) {
                                       auto bytes = HexToBytes(text);
                                       if (!bytes) return false;
                                       out = std::move(*bytes);
                                       return true;
                                     });
}

Result<int32_t> FileWrite(BrokerConnection& c, std::u16string path,
                          const std::vector<uint8_t>& contents) {
  return StatusOf(Send(c, Op::FileWrite, std::move(path), {}, HexText::Encode(contents)));
}

Result<int32_t> FileExists(BrokerConnection& c, std::u16string path) {
  return StatusOf(Send(c, Op::FileExists, std::move(path)));
}

Result<int32_t> FileDelete(BrokerConnection& c, std::u16string path) {
  return StatusOf(Send(c, Op::FileDelete, std::move(path)));
}

Result<int32_t> FileCopy(BrokerConnection& c, std::u16string source, std::u16string destination) {
  return StatusOf(Send(c, Op::FileCopy, std::move(source), std::move(destination)));
}

Result<int32_t> FileExport(BrokerConnection& c, std::u16string source, std::u16string destination) {
  return StatusOf(Send(c, Op::FileExport, std::move(source), std::move(destination)));
}

Result<int32_t> ShellOpen(BrokerConnection& c, std::u16string target) {
  return StatusOf(Send(c, Op::ShellOpen, std::move(target)));
}

Result<Answer<std::u16string>> Ping(BrokerConnection& c) {
  return Typed<std::u16string>(Send(c, Op::Ping, u""), AsText);
}

}  // namespace corvane::client
