// Keeps the tables of docs/protocol.md (messages, operations with their
// fields and answers, statuses, limits) in step with protocol/ and the
// policy's limits: a row added, dropped or changed on either side fails here.
#include <gtest/gtest.h>

#include <cctype>
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "policy/grants.h"
#include "protocol/limits.h"
#include "protocol/messages.h"
#include "protocol/operations.h"
#include "protocol/wire.h"
#include "tests/support/markdown_table.h"

namespace corvane {
namespace {

using Row = test::MarkdownRow;

std::string Document() {
  return test::ReadDocument(CORVANE_PROTOCOL_DOC);
}

// The numbers in parentheses of a cell, "status (2), text (25)" as {2, 25};
// other parenthesised words are passed over.
std::vector<int> Tags(const std::string& cell) {
  std::vector<int> tags;
  for (size_t at = cell.find('('); at != std::string::npos; at = cell.find('(', at + 1)) {
    if (at + 1 < cell.size() && std::isdigit(static_cast<unsigned char>(cell[at + 1]))) {
      tags.push_back(std::stoi(cell.substr(at + 1)));
    }
  }
  return tags;
}

template <class Shape>
std::vector<int> Declared() {
  return std::vector<int>(std::begin(Shape::kTags), std::end(Shape::kTags));
}

// 32766 as "32,766".
std::string WithCommas(size_t value) {
  std::string digits = std::to_string(value);
  for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

TEST(ProtocolDocTables, MessagesHaveTheDeclaredTags) {
  const auto rows = test::MarkdownTable(Document(), {"id", "direction", "parameters (tags)"});
  std::map<int, std::vector<int>> documented;
  for (const Row& row : rows) documented[std::stoi(row[0])] = Tags(row[2]);
  namespace p = protocol;
  const std::map<int, std::vector<int>> declared = {
      {p::GetPluginChannel::kId, Declared<p::GetPluginChannel>()},
      {p::PluginChannelReply::kId, Declared<p::PluginChannelReply>()},
      {p::BrokerRequest::kId, Declared<p::BrokerRequest>()},
      {p::BrokerReply::kId, Declared<p::BrokerReply>()},
  };
  ASSERT_EQ(documented.size(), declared.size() + 1);  // and the keep-alive
  EXPECT_TRUE(documented.count(p::kMsgKeepAlive));
  for (const auto& [id, tags] : declared) EXPECT_EQ(documented[id], tags) << "message " << id;
}

// The words a cell of the operation table starts with for each role and Ok
// text; what follows them, after " (", "; " or ": ", only explains.
const std::map<FieldRole, std::string> kRoleWords = {
    {FieldRole::Unused, "\u2013"},
    {FieldRole::Key, "key"},
    {FieldRole::ValueName, "value name"},
    {FieldRole::DestinationKey, "destination key"},
    {FieldRole::FilePath, "file path"},
    {FieldRole::DestinationPath, "destination path"},
    {FieldRole::ShellTarget, "web address or document"},
    {FieldRole::Text, "the string"},
    {FieldRole::Decimal32, "a 32-bit decimal number"},
    {FieldRole::Decimal64, "a 64-bit decimal number"},
    {FieldRole::HexBytes, "the contents as hex, two digits a byte"},
};
const std::map<OkText, std::string> kOkTextWords = {
    {OkText::Empty, "empty"},
    {OkText::Text, "the string"},
    {OkText::Pong, "`pong`"},
    {OkText::Decimal32, "the 32-bit number in unsigned decimal"},
    {OkText::Decimal64, "the 64-bit number in unsigned decimal"},
    {OkText::NulList, "each name followed by one U+0000"},
    {OkText::NulPairs, "for each value: name, U+0000, its text, U+0000"},
    {OkText::HexBytes, "the contents as lower-case hex, two digits a byte"},
};

bool Says(const std::string& cell, const std::string& words) {
  if (cell.compare(0, words.size(), words) != 0) return false;
  const std::string rest = cell.substr(words.size());
  return rest.empty() || rest.rfind(" (", 0) == 0 || rest.rfind("; ", 0) == 0 ||
         rest.rfind(": ", 0) == 0;
}

TEST(ProtocolDocTables, OperationsAreTheTableRows) {
  const auto rows =
      test::MarkdownTable(Document(), {"code", "name", "path", "name", "data", "Ok answer's text"});
  ASSERT_EQ(rows.size(), kOperationCount);
  for (size_t i = 0; i < kOperationCount; ++i) {
    const OperationInfo& op = kOperations[i];
    SCOPED_TRACE(std::string(op.name));
    ASSERT_EQ(rows[i].size(), 6u);
    EXPECT_EQ(static_cast<uint32_t>(std::stoul(rows[i][0])), OperationCode(op.code));
    EXPECT_EQ(rows[i][1], op.name);
    EXPECT_PRED2(Says, rows[i][2], kRoleWords.at(op.pathRole));
    EXPECT_PRED2(Says, rows[i][3], kRoleWords.at(op.nameRole));
    EXPECT_PRED2(Says, rows[i][4], kRoleWords.at(op.dataRole));
    EXPECT_PRED2(Says, rows[i][5], kOkTextWords.at(op.okText));
  }
}

TEST(ProtocolDocTables, StatusesHaveTheirNames) {
  const auto rows = test::MarkdownTable(Document(), {"status", "name"});
  ASSERT_EQ(rows.size(), static_cast<size_t>(StatusCode(BrokerStatus::Invalid)) + 1);
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(std::stoi(rows[i][0]), static_cast<int>(i));
    EXPECT_EQ(rows[i][1], StatusName(static_cast<int32_t>(i)));
  }
}

TEST(ProtocolDocTables, LimitsAreTheDeclaredOnes) {
  const auto rows = test::MarkdownTable(Document(), {"what", "limit"});
  const std::map<std::string, std::vector<std::string>> expected = {
      {"a frame",
       {std::to_string(wire::kMaxWords) + " words",
        "at most " + std::to_string(wire::kMaxParams) + " parameters"}},
      {"a registry key text",
       {WithCommas(kMaxRegistryKeyText) + " units",
        "each key name " + std::to_string(kMaxRegistryKeyName)}},
      {"a value name", {WithCommas(kMaxRegistryValueName) + " units"}},
      {"a value's data", {std::to_string(kMaxValueDataBytes >> 20) + " MiB"}},
      {"a file read", {"(" + std::to_string(kMaxFileReadBytes) + " bytes)"}},
      {"a shell target", {std::to_string(kMaxShellTargetLength) + " units"}},
      {"plug-in channels held at once", {std::to_string(kMaxPluginChannels)}},
  };
  static_assert(kMaxValueDataBytes % (1 << 20) == 0);
  ASSERT_EQ(rows.size(), expected.size());
  for (const Row& row : rows) {
    const auto wanted = expected.find(row[0]);
    ASSERT_NE(wanted, expected.end()) << "an undeclared limit: " << row[0];
    for (const std::string& part : wanted->second) {
      EXPECT_NE(row[1].find(part), std::string::npos)
          << row[0] << ": " << row[1] << " lacks " << part;
    }
  }
}

}  // namespace
}  // namespace corvane
