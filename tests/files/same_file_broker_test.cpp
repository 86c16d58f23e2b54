// A copy or an export onto its own source, by whatever name reaches it,
// through the real broker: the file stays whole, nothing appears beside it,
// and the answer says that no copy was made. The disk is checked directly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/files/file_tree_snapshot.h"
#include "tests/files/hostile_paths.h"
#include "tests/files/local_files.h"
#include "tests/support/broker_suite.h"
#include "win/folders.h"

namespace {

using namespace corvane::test;
using enum corvane::BrokerOperation;
using enum corvane::BrokerStatus;

using SameFile = BrokerSuite;

TEST_F(SameFile, CopyOrExportOntoItselfLeavesItWhole) {
  const std::u16string work = corvane::TempFolder() + u"\\corvane-same-file";
  const std::u16string pdf = work + u"\\the user's report.pdf", png = work + u"\\image.png";
  const std::vector<uint8_t> contents = Bytes("%PDF-1.7 the only copy of the user's document");
  RemoveTree(work);
  MakeFolders(work);
  const struct {
    corvane::BrokerOperation operation;
    std::u16string source, destination;
  } rows[] = {
      {FileCopy, pdf, pdf},
      {FileCopy, pdf, Upper(pdf)},
      {FileCopy, Upper(pdf), Lower(pdf)},
      {FileCopy, u"\\\\?\\" + pdf, pdf},
      {FileCopy, Replace(pdf, u'\\', u'/'), pdf},
      {FileExport, png, png},
      {FileExport, png, Upper(png)},
      {FileExport, png, Replace(png, u'\\', u'/')},
  };
  for (const auto& row : rows) {
    ASSERT_TRUE(WriteBytes(pdf, contents) && WriteBytes(png, contents));
    const FileTree before = Snapshot(work);
    const std::string where =
        std::string(Operation(row.operation).name) + " row " + std::to_string(&row - rows);
    EXPECT_EQ(Send(row.operation, row.source, row.destination).status, Failed) << where;
    EXPECT_EQ(ReadBytes(pdf), contents) << where;
    EXPECT_EQ(ReadBytes(png), contents) << where;
    EXPECT_EQ(
        UnexpectedChanges(before, Snapshot(work), [](const std::u16string&) { return false; }),
        std::vector<std::u16string>{})
        << where;
  }
  RemoveTree(work);
}

}  // namespace
