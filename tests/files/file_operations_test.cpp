// The file operations end to end through the request dispatch, on Wine's
// real file system: the prefix's own AppData\Roaming and AppData\Local\Temp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/hex_text.h"
#include "tests/files/file_tree_snapshot.h"
#include "tests/files/local_files.h"
#include "tests/files/request.h"
#include "tests/files/user_folders.h"
#include "tests/support/debug_capture.h"

namespace {

using namespace corvane::test;
using enum corvane::BrokerOperation;
using enum corvane::BrokerStatus;

class FileOperations : public UserFoldersTest {
 protected:
  void SetUp() override {
    UserFoldersTest::SetUp();
    if (HasFatalFailure()) return;
    work = appData + u"\\corvane\\file-operations";
    tempWork = temp + u"\\corvane-file-operations";
    for (const auto* folder : {&work, &tempWork, &outside}) {
      RemoveTree(*folder);
      MakeFolders(*folder);
      ASSERT_TRUE(IsFolder(*folder));
    }
    capture.Clear();
  }
  void TearDown() override {
    for (const auto* folder : {&work, &tempWork, &outside}) RemoveTree(*folder);
  }

  std::u16string work, tempWork;
  std::u16string outside = u"C:\\corvane-file-operations-outside";
  DebugCapture capture;
};

TEST_F(FileOperations, ReadAnswersContentsAsHexText) {
  ASSERT_TRUE(WriteBytes(work + u"\\empty", {}));
  ASSERT_TRUE(WriteBytes(work + u"\\three", {0x00, 0xAB, 0xFF}));

  EXPECT_EQ(Call(FileRead, work + u"\\empty"), (Reply{Ok, u""}));
  EXPECT_EQ(Call(FileRead, work + u"\\three"), (Reply{Ok, u"00abff"}));
  for (const auto& unreadable : {work + u"\\missing", work, work + u"\\no\\such\\file"}) {
    EXPECT_EQ(Call(FileRead, unreadable), (Reply{NotFound, u""}));
  }
  EXPECT_TRUE(capture.Lines().empty());
}

TEST_F(FileOperations, ReadLimitIsExactlyFourMebibytes) {
  std::vector<uint8_t> bytes(4194304);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
  ASSERT_TRUE(WriteBytes(work + u"\\limit", bytes));
  const Reply r = Call(FileRead, work + u"\\limit");
  EXPECT_EQ(r.status, Ok);
  ASSERT_EQ(r.text.size(), 8388608u);
  EXPECT_TRUE(r.text == corvane::HexText::Encode(bytes));

  bytes.push_back(0x42);
  ASSERT_TRUE(WriteBytes(work + u"\\over", bytes));
  EXPECT_EQ(Call(FileRead, work + u"\\over"), (Reply{NotFound, u""}));
}

TEST_F(FileOperations, WriteReplacesTheTargetWholeThroughATemporaryFile) {
  const std::u16string target = work + u"\\state.json";
  ASSERT_TRUE(WriteBytes(target, Bytes("a longer previous content")));
  EXPECT_EQ(Call(FileWrite, target, {}, u"00ABff").status, Ok);
  EXPECT_EQ(ReadBytes(target), (std::vector<uint8_t>{0x00, 0xAB, 0xFF}));
  EXPECT_FALSE(Exists(target + u".tmp"));

  // A temporary file left by a crash is reused.
  ASSERT_TRUE(WriteBytes(target + u".tmp", Bytes("stale")));
  EXPECT_EQ(Call(FileWrite, target, {}, u"6869").status, Ok);
  EXPECT_EQ(ReadBytes(target), Bytes("hi"));
  EXPECT_FALSE(Exists(target + u".tmp"));

  // Empty data truncates an existing file and creates a new one.
  EXPECT_EQ(Call(FileWrite, target, {}, u"").status, Ok);
  EXPECT_TRUE(ReadBytes(target).empty());
  EXPECT_EQ(Call(FileWrite, work + u"\\new-empty", {}, u"").status, Ok);
  EXPECT_TRUE(Exists(work + u"\\new-empty"));
  EXPECT_TRUE(ReadBytes(work + u"\\new-empty").empty());
  EXPECT_TRUE(capture.Lines().empty());
}

TEST_F(FileOperations, WriteWithBadHexAnswersInvalidAndTouchesNothing) {
  const std::u16string existing = work + u"\\keep";
  ASSERT_TRUE(WriteBytes(existing, Bytes("keep")));
  const std::u16string inNewFolder = work + u"\\new-folder\\x";
  for (const std::u16string data : {u"abc", u"0g", u"g0", u"00ab0", u"0x00", u"00 "}) {
    EXPECT_EQ(Call(FileWrite, existing, {}, data).status, Invalid);
    EXPECT_EQ(Call(FileWrite, inNewFolder, {}, data).status, Invalid);
  }
  EXPECT_EQ(ReadBytes(existing), Bytes("keep"));
  EXPECT_FALSE(Exists(existing + u".tmp"));
  EXPECT_FALSE(Exists(work + u"\\new-folder"));
  EXPECT_TRUE(capture.Lines().empty());

  // The path check comes first: a refused path with bad data is a refusal.
  EXPECT_EQ(Call(FileWrite, outside + u"\\x", {}, u"abc").status, Denied);
}

TEST_F(FileOperations, WriteCreatesOnlyTheParentLevel) {
  EXPECT_EQ(Call(FileWrite, work + u"\\parent\\x.bin", {}, u"01").status, Ok);
  EXPECT_EQ(ReadBytes(work + u"\\parent\\x.bin"), (std::vector<uint8_t>{0x01}));

  EXPECT_EQ(Call(FileWrite, work + u"\\grand\\parent\\x.bin", {}, u"01").status, Failed);
  EXPECT_FALSE(Exists(work + u"\\grand"));

  // Only a backslash separates the parent; with a slash the folder is missing.
  EXPECT_EQ(Call(FileWrite, work + u"/slash/x.bin", {}, u"01").status, Failed);
  EXPECT_FALSE(Exists(work + u"\\slash"));
}

TEST_F(FileOperations, WriteThatCannotReplaceTheTargetLeavesItAndNoTemporary) {
  const std::u16string held = work + u"\\held";
  ASSERT_TRUE(WriteBytes(held, Bytes("held")));
  corvane::UniqueHandle h(
      CreateFileW(W(held), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(h);
  EXPECT_EQ(Call(FileWrite, held, {}, u"6869").status, Failed);
  EXPECT_FALSE(Exists(held + u".tmp"));
  h.Reset();
  EXPECT_EQ(ReadBytes(held), Bytes("held"));

  const std::u16string folder = work + u"\\a-folder";
  MakeFolders(folder);
  ASSERT_TRUE(WriteBytes(folder + u"\\inside", Bytes("inside")));
  EXPECT_EQ(Call(FileWrite, folder, {}, u"6869").status, Failed);
  EXPECT_FALSE(Exists(folder + u".tmp"));
  EXPECT_TRUE(IsFolder(folder));
  EXPECT_EQ(ReadBytes(folder + u"\\inside"), Bytes("inside"));
}

TEST_F(FileOperations, WriteFailsWhileAnotherWriteHoldsTheTemporary) {
  const std::u16string target = work + u"\\busy";
  ASSERT_TRUE(WriteBytes(target, Bytes("before")));
  corvane::UniqueHandle h(CreateFileW(W(target + u".tmp"), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(h);
  EXPECT_EQ(Call(FileWrite, target, {}, u"6869").status, Failed);
  h.Reset();
  // The other writer's temporary file is not ours to delete.
  EXPECT_TRUE(Exists(target + u".tmp"));
  EXPECT_EQ(ReadBytes(target), Bytes("before"));
}

// The temporary file of a write of the corvane folder itself would be
// "corvane.tmp" beside it: such a write is refused before anything is touched.
TEST_F(FileOperations, WriteOfTheCorvaneFolderItselfIsRefused) {
  const std::u16string beside = appData + u"\\corvane.tmp";
  ASSERT_TRUE(WriteBytes(beside, Bytes("someone else's")));
  for (const auto& folder : {appData + u"\\corvane", appData + u"\\CORVANE", appData + u"/corvane",
                             appData + u"\\corvane0123abcd"}) {
    capture.Clear();
    EXPECT_EQ(Call(FileWrite, folder, {}, u"6869").status, Denied);
    EXPECT_EQ(Call(FileWrite, folder, {}, u"abc").status, Denied);  // refused before decoding
    const auto lines = capture.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "[CorvaneBroker] denied: outside Corvane subtree\n");
  }
  EXPECT_EQ(ReadBytes(beside), Bytes("someone else's"));
  EXPECT_FALSE(Exists(appData + u"\\corvane0123abcd.tmp"));
  // The folder itself can still be tested, and a file directly inside it written.
  EXPECT_EQ(Call(FileExists, appData + u"\\corvane").status, Ok);
  EXPECT_EQ(Call(FileWrite, appData + u"\\corvane\\.tmp-free", {}, u"").status, Ok);
  DeleteFileW(W(appData + u"\\corvane\\.tmp-free"));
  DeleteFileW(W(beside));
}

TEST_F(FileOperations, ExistsAndDelete) {
  const std::u16string file = work + u"\\file";
  ASSERT_TRUE(WriteBytes(file, Bytes("x")));
  EXPECT_EQ(Call(FileExists, file).status, Ok);
  EXPECT_EQ(Call(FileExists, work).status, Ok);  // a folder counts
  EXPECT_EQ(Call(FileExists, work + u"\\missing").status, NotFound);
  EXPECT_EQ(Call(FileExists, work + u"\\missing\\x").status, NotFound);
  {  // a file held without sharing still counts
    const corvane::UniqueHandle h(
        CreateFileW(W(file), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(h);
    EXPECT_EQ(Call(FileExists, file).status, Ok);
  }

  EXPECT_EQ(Call(FileDelete, file).status, Ok);
  EXPECT_FALSE(Exists(file));
  EXPECT_EQ(Call(FileDelete, file).status, Ok);                               // already absent
  EXPECT_EQ(Call(FileDelete, work + u"\\missing-folder\\x").status, Failed);  // path not found
  EXPECT_EQ(Call(FileDelete, work).status, Failed);                           // not a file
  EXPECT_TRUE(IsFolder(work));
  EXPECT_TRUE(capture.Lines().empty());
}

TEST_F(FileOperations, CopyIntoTempReplacesAndGivesNormalAttributes) {
  const std::u16string source = outside + u"\\Report.PDF";
  ASSERT_TRUE(WriteBytes(source, Bytes("%PDF-source")));
  ASSERT_TRUE(SetFileAttributesW(W(source), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  MakeFolders(tempWork + u"\\job");

  // The copy does not take the source's attributes, but its last-write time.
  const std::u16string fresh = tempWork + u"\\job\\fresh.pdf";
  EXPECT_EQ(Call(FileCopy, source, fresh).status, Ok);
  EXPECT_EQ(ReadBytes(fresh), Bytes("%PDF-source"));
  EXPECT_EQ(Attributes(fresh) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u)
      << Attributes(fresh);
  EXPECT_NE(Attributes(source) & FILE_ATTRIBUTE_READONLY, 0u);  // the source keeps its own
  EXPECT_EQ(LastWriteTime(fresh), LastWriteTime(source));

  const std::u16string existing = tempWork + u"\\job\\copy.pdf";
  ASSERT_TRUE(WriteBytes(existing, Bytes("an older and longer destination")));
  EXPECT_EQ(Call(FileCopy, source, existing).status, Ok);
  EXPECT_EQ(ReadBytes(existing), Bytes("%PDF-source"));
  EXPECT_EQ(Attributes(existing) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u);
  EXPECT_EQ(Call(FileCopy, source, existing).status, Ok);  // and can be replaced again

  const std::u16string missingTarget = tempWork + u"\\from-missing.pdf";
  EXPECT_EQ(Call(FileCopy, outside + u"\\missing.pdf", missingTarget).status, NotFound);
  EXPECT_FALSE(Exists(missingTarget));
  EXPECT_EQ(Call(FileCopy, source, tempWork + u"\\no-folder\\copy.pdf").status, Failed);
  EXPECT_TRUE(capture.Lines().empty());
  SetFileAttributesW(W(source), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FileOperations, ExportKeepsTheAttributesTheCopyGot) {
  const std::u16string source = tempWork + u"\\img.PNG";
  ASSERT_TRUE(WriteBytes(source, Bytes("PNG-bytes")));
  ASSERT_TRUE(SetFileAttributesW(W(source), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));

  // A new file takes the source's attributes from the copy, and keeps them.
  const std::u16string fresh = outside + u"\\fresh.png";
  EXPECT_EQ(Call(FileExport, source, fresh).status, Ok);
  EXPECT_EQ(ReadBytes(fresh), Bytes("PNG-bytes"));
  const DWORD attributes = Attributes(fresh);
  EXPECT_EQ(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
            DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN})
      << attributes;
  SetFileAttributesW(W(fresh), FILE_ATTRIBUTE_NORMAL);

  const std::u16string existing = outside + u"\\img.png";
  ASSERT_TRUE(WriteBytes(existing, Bytes("older, longer destination")));
  EXPECT_EQ(Call(FileExport, source, existing).status, Ok);
  EXPECT_EQ(ReadBytes(existing), Bytes("PNG-bytes"));
  SetFileAttributesW(W(existing), FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesW(W(source), FILE_ATTRIBUTE_NORMAL);

  const std::u16string fromMissing = outside + u"\\from-missing.png";
  EXPECT_EQ(Call(FileExport, tempWork + u"\\missing.png", fromMissing).status, NotFound);
  EXPECT_FALSE(Exists(fromMissing));
  EXPECT_EQ(Call(FileExport, source, outside + u"\\no-folder\\img.png").status, Failed);
  EXPECT_TRUE(capture.Lines().empty());
}

// A copy or an export whose move cannot replace the destination (held
// without sharing, or read-only, which Wine would replace as root) leaves it
// as it was and nothing beside it, also when the export's temporary file
// took a read-only source's attributes.
TEST_F(FileOperations, CopyOrExportThatCannotReplaceLeavesTheDestination) {
  const std::u16string pdf = outside + u"\\new.pdf", png = tempWork + u"\\new.png";
  ASSERT_TRUE(WriteBytes(pdf, Bytes("%PDF-new")) && WriteBytes(png, Bytes("PNG-new")));
  ASSERT_TRUE(SetFileAttributesW(W(png), FILE_ATTRIBUTE_READONLY));
  const struct {
    corvane::BrokerOperation operation;
    std::u16string source, folder, destination;
    bool readOnly;
  } rows[] = {{FileCopy, pdf, tempWork, tempWork + u"\\held.pdf", false},
              {FileCopy, pdf, tempWork, tempWork + u"\\read-only.pdf", true},
              {FileExport, png, outside, outside + u"\\held.png", false},
              {FileExport, png, outside, outside + u"\\read-only.png", true}};
  for (const auto& row : rows) {
    ASSERT_TRUE(WriteBytes(row.destination, Bytes("old")));
    corvane::UniqueHandle held;
    if (row.readOnly) {
      ASSERT_TRUE(SetFileAttributesW(W(row.destination), FILE_ATTRIBUTE_READONLY));
    } else {
      held.Reset(
          CreateFileW(W(row.destination), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
      ASSERT_TRUE(held);
    }
    const FileTree before = Snapshot(row.folder);
    EXPECT_EQ(Call(row.operation, row.source, row.destination).status, Failed);
    held.Reset();
    EXPECT_EQ(ReadBytes(row.destination), Bytes("old"));
    EXPECT_EQ(UnexpectedChanges(before, Snapshot(row.folder), [](const auto&) { return false; }),
              std::vector<std::u16string>{});
    SetFileAttributesW(W(row.destination), FILE_ATTRIBUTE_NORMAL);
  }
  SetFileAttributesW(W(png), FILE_ATTRIBUTE_NORMAL);
}

// The verdict that each example of the path rules must produce end to end:
// allowed requests run (any status but 2, no line), refused ones answer 2
// with their line and touch nothing.
struct Example {
  corvane::BrokerOperation operation;
  std::u16string path;
  std::u16string name;
  const char* verdict;  // nullptr: allowed
};

constexpr const char* kOutside = "denied: outside Corvane subtree";
constexpr const char* kMalformed = "denied: malformed key";

TEST_F(FileOperations, PolicyExamplesEndToEnd) {
  const std::u16string& ad = appData;
  const std::u16string& tmp = temp;
  std::vector<Example> examples;
  const std::vector<std::pair<std::u16string, const char*>> appDataExamples = {
      {ad + u"\\corvane\\state.json", nullptr},
      {ad + u"\\CORVANE\\sub\\x.bin", nullptr},
      {ad + u"\\corvane", nullptr},
      {ad + u"\\corvane0123abcd\\x", nullptr},
      {ad + u"\\Corvane0123ABCD\\x", nullptr},
      {ad + u"\\corvane0123abcg\\x", kOutside},
      {ad + u"\\corvane012\\x", kOutside},
      {ad + u"\\corvanex\\x", kOutside},
      {ad, kOutside},
      {ad + u"\\", kOutside},
      {ad + u"\\other\\corvane\\x", kOutside},
      {ad + u"\\corvane\\..\\other", kMalformed},
  };
  for (const auto& [path, verdict] : appDataExamples) {
    std::u16string slashes = path, doubled;
    for (auto& c : slashes)
      if (c == u'\\') c = u'/';
    for (char16_t c : path) {
      doubled.push_back(c);
      if (c == u'\\' && doubled.size() > 3) doubled.push_back(c);
    }
    for (const corvane::BrokerOperation op : {FileRead, FileExists, FileDelete}) {
      for (const auto& p : {path, slashes, doubled}) examples.push_back({op, p, {}, verdict});
    }
  }
  const std::u16string pdf = outside + u"\\a.pdf";
  examples.insert(examples.end(),
                  {
                      {FileCopy, u"D:\\Docs\\Report.PDF", tmp + u"\\job\\copy.pdf", nullptr},
                      {FileCopy, u"\\\\?\\C:\\a.pdf", tmp + u"\\job\\copy.pdf", nullptr},
                      {FileCopy, u"a.pdf", tmp + u"\\copy.pdf", kMalformed},
                      {FileCopy, u"C:\\x\\..\\a.pdf", tmp + u"\\copy.pdf", kMalformed},
                      {FileCopy, u"C:\\a.pdfx", tmp + u"\\copy.pdf", kOutside},
                      {FileCopy, pdf, tmp + u"\\copy.txt", kOutside},
                      {FileCopy, pdf, tmp + u"x\\a.pdf", kOutside},
                      {FileCopy, u"C:\\.pdf", tmp + u"\\corvane-file-operations\\c.pdf", nullptr},
                      {FileCopy, pdf, tmp + u"\\.pdf", nullptr},
                      {FileExport, tmp + u"\\img.PNG", u"E:\\out\\img.png", nullptr},
                      {FileExport, tmp + u"\\img.png", outside + u"\\img.jpg", kOutside},
                      {FileExport, tmp + u"\\img.tiff", outside + u"\\img.tiff", kOutside},
                      {FileExport, tmp + u"\\img.jpeg", outside + u"\\img.jpeg", kOutside},
                      {FileExport, tmp + u"\\dir.png\\file", outside + u"\\img.png", kOutside},
                      {FileExport, tmp + u"\\img.png", u"C:\\out\\img.png:s", kMalformed},
                      {FileExport, u"\\\\?\\" + tmp + u"\\a.png", outside + u"\\a.png", kMalformed},
                      {FileExport, outside + u"\\a.png", outside + u"\\b.png", kOutside},
                  });

  for (const auto& e : examples) {
    capture.Clear();
    const Reply r = Call(e.operation, e.path, e.name);
    const auto lines = capture.Lines();
    const std::string where = std::string(Operation(e.operation).name) + ", path of " +
                              std::to_string(e.path.size()) + " units";
    if (e.verdict == nullptr) {
      EXPECT_NE(r.status, Denied) << where;
      EXPECT_TRUE(lines.empty()) << where;
      continue;
    }
    EXPECT_EQ(r.status, Denied) << where;
    EXPECT_EQ(r.text, u"") << where;
    const std::string prefix = e.operation == FileCopy     ? "[CorvaneBroker] file copy "
                               : e.operation == FileExport ? "[CorvaneBroker] file export "
                                                           : "[CorvaneBroker] ";
    ASSERT_EQ(lines.size(), 1u) << where;
    EXPECT_EQ(lines[0], prefix + e.verdict + "\n") << where;
  }
  EXPECT_FALSE(Exists(tmp + u"\\.pdf"));  // the source does not exist
  RemoveTree(tmp + u"\\.pdf");
}

}  // namespace
