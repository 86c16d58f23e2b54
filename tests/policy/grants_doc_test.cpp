// Holds SECURITY.md's table "What a plug-in may touch" to policy/grants.h: a
// grant added, dropped or changed without its row, or a row without its
// grant, fails here.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "policy/grants.h"
#include "tests/policy/printable.h"
#include "tests/support/markdown_table.h"

namespace corvane {
namespace {

using test::MarkdownRow;

// What one row must say: its first cell, its "may" cell (unchecked when
// empty), its `code` spans in order, and figures it must mention.
struct GrantRow {
  std::string what;
  std::string may;
  std::vector<std::string> codes;
  std::vector<std::string> figures;
};

template <class Texts>
std::vector<std::string> Ascii(const Texts& texts, const std::string& prefix = "") {
  std::vector<std::string> out;
  for (std::u16string_view text : texts) out.push_back(prefix + Printable(text));
  return out;
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::vector<GrantRow> Grants() {
  const std::map<RegistryHive, std::string> hiveNames = {{RegistryHive::CurrentUser, "HKCU\\"},
                                                         {RegistryHive::LocalMachine, "HKLM\\"}};
  const std::string valueData = std::to_string(kMaxValueDataBytes >> 20) + " MiB";
  const std::string temp = "%LOCALAPPDATA%\\Temp";
  const std::string shellLength = std::to_string(kMaxShellTargetLength) + " units";
  std::vector<GrantRow> rows;
  for (const HiveGrant& hive : kHiveGrants) {
    const bool writes = hive.access == HiveAccess::ReadWrite;
    rows.push_back({"registry", writes ? "read, write" : "read",
                    Ascii(hive.roots, hiveNames.at(hive.hive)),
                    writes ? std::vector{valueData} : std::vector<std::string>{}});
  }
  std::vector<std::u16string_view> webPrefixes;
  for (const WebScheme& web : kWebSchemes) webPrefixes.push_back(web.prefix);
  const std::u16string_view folder[] = {kAppDataFolderName};
  const std::u16string_view copied[] = {kCopyExtension};
  rows.push_back({"files",
                  "",
                  Concat(Ascii(folder, "%APPDATA%\\"), Ascii(folder)),
                  {std::to_string(kAppDataFolderHexDigits) + " hex digits",
                   std::to_string(kMaxFileReadBytes >> 20) + " MiB"}});
  rows.push_back({"file copies", "", Concat({temp}, Ascii(copied)), {}});
  rows.push_back({"image exports", "", Concat({temp}, Ascii(kExportExtensions)), {}});
  rows.push_back({"web addresses", "", Ascii(webPrefixes), {shellLength}});
  rows.push_back({"documents",
                  "",
                  Concat(Ascii(kDocumentSchemes), Ascii(kShellOpenExtensions)),
                  {shellLength}});
  rows.push_back({"plug-in channels", "", {}, {std::to_string(kMaxPluginChannels) + " at once"}});
  return rows;
}

// The `code` spans of a row, across its cells.
std::vector<std::string> Codes(const MarkdownRow& row) {
  std::vector<std::string> codes;
  for (const std::string& cell : row) {
    for (size_t open = cell.find('`'); open != std::string::npos;) {
      const size_t close = cell.find('`', open + 1);
      if (close == std::string::npos) break;
      codes.push_back(cell.substr(open + 1, close - open - 1));
      open = cell.find('`', close + 1);
    }
  }
  return codes;
}

TEST(GrantsDocTable, EachGrantHasItsRow) {
  const auto rows =
      test::MarkdownTable(test::ReadDocument(CORVANE_SECURITY_DOC), {"what", "where", "may"});
  const std::vector<GrantRow> grants = Grants();
  ASSERT_EQ(rows.size(), grants.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    const MarkdownRow& row = rows[i];
    const GrantRow& grant = grants[i];
    ASSERT_EQ(row.size(), 4u) << "row " << i;
    EXPECT_EQ(row[0], grant.what) << "row " << i;
    if (!grant.may.empty()) EXPECT_EQ(row[2], grant.may) << "row " << i;
    EXPECT_EQ(Codes(row), grant.codes) << "row " << i;
    for (const std::string& figure : grant.figures) {
      EXPECT_NE((row[1] + " " + row[3]).find(figure), std::string::npos)
          << "row " << i << " lacks " << figure;
    }
  }
}

}  // namespace
}  // namespace corvane
