// Links planted where a plug-in may act, against the real broker: a link in
// %APPDATA%\corvane or in Temp that leads outside (symbolic, dangling or
// hard) must not let any request read, create, change or delete anything
// out there, while links that stay inside keep working. The disk is checked
// directly.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/files/file_tree_snapshot.h"
#include "tests/files/local_files.h"
#include "tests/files/request.h"
#include "tests/files/unix_links.h"
#include "tests/files/user_folders.h"
#include "tests/support/broker_suite.h"
#include "tests/support/debug_capture.h"
#include "tests/support/platform.h"

namespace {

using namespace corvane::test;
using enum corvane::BrokerOperation;
using enum corvane::BrokerStatus;

const std::u16string kOutside = u"C:\\corvane-real-path-outside";
const std::u16string kSink = u"C:\\corvane-real-path-sink";
const std::u16string kHostile = u"484f5354494c45";  // "HOSTILE"

class RealPaths : public BrokerSuiteOf<UserFoldersTest> {
 protected:
  void SetUp() override {
    UserFoldersTest::SetUp();
    if (HasFatalFailure()) return;
    CORVANE_SKIP_ON_WINDOWS(
        "the links are Unix symbolic links made from Wine's side; Windows makes file links "
        "only with the symbolic-link privilege");
    corvane = appData + u"\\corvane";
    folderLink = corvane + u"\\real-path-link";
    fileLink = corvane + u"\\real-path-x.tmp";
    insideLink = corvane + u"\\real-path-inside";
    insideTarget = corvane + u"\\real-path-target";
    tempLink = temp + u"\\corvane-real-path-link";
    tempEvil = temp + u"\\corvane-real-path-evil.exe";
    tempFileLink = temp + u"\\corvane-real-path-linked.pdf";
    tempHardLink = temp + u"\\corvane-real-path-hard.pdf";
    tempHardImage = temp + u"\\corvane-real-path-hard.png";
    corvaneHardLink = corvane + u"\\real-path-hard.txt";
    tempPlain = temp + u"\\corvane-real-path-plain.pdf";
    // Their targets are missing, the second one with its folder.
    dangling = {
        {temp + u"\\corvane-real-path-dangling.pdf", kOutside + u"\\planted.pdf"},
        {temp + u"\\corvane-real-path-dangling-deep.pdf", kOutside + u"\\gone\\planted.pdf"}};
    TearDown();

    MakeFolders(temp);
    MakeFolders(kOutside + u"\\sub");
    MakeFolders(kSink);
    MakeFolders(insideTarget);
    for (const auto* leaf : {u"secret.txt", u"secret.pdf", u"secret.png", u"victim.txt"})
      ASSERT_TRUE(WriteBytes(kOutside + u"\\" + leaf, Bytes("SECRET")));
    ASSERT_TRUE(WriteBytes(kSink + u"\\source.pdf", Bytes("%PDF-source")));
    ASSERT_TRUE(MakeUnixLink(folderLink, kOutside));
    ASSERT_TRUE(MakeUnixLink(fileLink, kOutside + u"\\victim.txt"));
    ASSERT_TRUE(MakeUnixLink(insideLink, insideTarget));
    ASSERT_TRUE(MakeUnixLink(tempLink, kOutside));
    ASSERT_TRUE(MakeUnixLink(tempFileLink, kOutside + u"\\secret.pdf"));
    ASSERT_TRUE(CreateHardLinkW(W(tempHardLink), W(kOutside + u"\\victim.txt"), nullptr));
    ASSERT_TRUE(CreateHardLinkW(W(tempHardImage), W(kOutside + u"\\secret.png"), nullptr));
    ASSERT_TRUE(CreateHardLinkW(W(corvaneHardLink), W(kOutside + u"\\secret.txt"), nullptr));
    for (const auto& [link, target] : dangling) ASSERT_TRUE(MakeDanglingUnixLink(link, target));
    RemoveTree(kOutside + u"\\gone");
    before = Snapshot(kOutside);
    ASSERT_EQ(before.size(), 5u);
  }

  void TearDown() override {
    if (!UnderWine()) return;  // nothing was made
    // Links first, so that nothing below removes what they lead to.
    for (const auto* link : {&folderLink, &fileLink, &insideLink, &tempLink, &tempFileLink})
      EXPECT_TRUE(RemoveUnixLink(*link));
    for (const auto& [link, target] : dangling) EXPECT_TRUE(RemoveDanglingUnixLink(link, target));
    for (const std::u16string& folder : {kOutside, kSink, insideTarget}) RemoveTree(folder);
    DeleteFileW(W(corvane + u"\\real-path-x"));
    DeleteFileW(W(tempEvil + u":x.pdf"));
    for (const auto* file : {&tempHardLink, &tempHardImage, &corvaneHardLink, &tempPlain})
      DeleteFileW(W(*file));
  }

  std::vector<std::u16string> OutsideChanges() const {
    return UnexpectedChanges(before, Snapshot(kOutside),
                             [](const std::u16string&) { return false; });
  }

  std::u16string corvane, folderLink, fileLink, insideLink, insideTarget, tempLink, tempEvil,
      tempFileLink, tempHardLink, tempHardImage, corvaneHardLink, tempPlain;
  std::vector<std::pair<std::u16string, std::u16string>> dangling;  // link, missing target
  FileTree before;
};

// Existing or not, file or folder: everything through the link answers Denied,
// so the answers do not even tell what exists outside.
TEST_F(RealPaths, AppDataRequestsThroughALinkOutsideAreRefused) {
  const std::u16string& via = folderLink;
  for (const auto& path : {via, via + u"\\secret.txt", via + u"\\missing.txt", via + u"\\sub",
                           via + u"\\sub\\missing\\x"}) {
    EXPECT_EQ(Send(FileExists, path).status, Denied);
    EXPECT_EQ(Send(FileRead, path), (Reply{Denied, u""}));
    EXPECT_EQ(Send(FileDelete, path).status, Denied);
  }
  // A hard link's other name lies outside: its name inside does not make it readable.
  EXPECT_EQ(Send(FileRead, corvaneHardLink), (Reply{Denied, u""}));
  for (const auto& path : {via + u"\\secret.txt", via + u"\\new.txt", via + u"\\sub\\new.txt",
                           via + u"\\new-folder\\x", via + u"\\sub\\new-folder\\x"}) {
    EXPECT_EQ(Send(FileWrite, path, {}, kHostile).status, Denied);
  }
  EXPECT_EQ(ReadBytes(kOutside + u"\\secret.txt"), Bytes("SECRET"));
  EXPECT_EQ(OutsideChanges(), std::vector<std::u16string>{});
}

// CREATE_ALWAYS on the temporary name would truncate the link's target.
TEST_F(RealPaths, WriteDoesNotFollowALinkAtTheTemporaryName) {
  EXPECT_EQ(Send(FileWrite, corvane + u"\\real-path-x", {}, kHostile).status, Denied);
  EXPECT_EQ(ReadBytes(kOutside + u"\\victim.txt"), Bytes("SECRET"));
  EXPECT_FALSE(Exists(corvane + u"\\real-path-x"));
  // A write of the link's own name replaces the link, not its target.
  EXPECT_EQ(Send(FileWrite, fileLink, {}, kHostile).status, Ok);
  EXPECT_EQ(ReadBytes(fileLink), Bytes("HOSTILE"));
  EXPECT_EQ(OutsideChanges(), std::vector<std::u16string>{});
}

TEST_F(RealPaths, LinksThatStayInsideKeepWorking) {
  const std::u16string note = insideLink + u"\\note.txt";
  EXPECT_EQ(Send(FileWrite, note, {}, u"6869").status, Ok);
  EXPECT_EQ(ReadBytes(insideTarget + u"\\note.txt"), Bytes("hi"));
  EXPECT_EQ(Send(FileRead, note).text, u"6869");
  EXPECT_EQ(Send(FileExists, note).status, Ok);
  EXPECT_EQ(Send(FileExists, insideLink).status, Ok);
  EXPECT_EQ(Send(FileDelete, note).status, Ok);
  EXPECT_FALSE(Exists(insideTarget + u"\\note.txt"));
  EXPECT_EQ(Send(FileWrite, insideLink + u"\\new-folder\\x", {}, u"").status, Ok);
  EXPECT_TRUE(Exists(insideTarget + u"\\new-folder\\x"));
}

TEST_F(RealPaths, CopyAndExportThroughALinkInTempAreRefused) {
  const std::u16string source = kSink + u"\\source.pdf";
  for (const auto& destination :
       {tempLink + u"\\copy.pdf", tempLink + u"\\secret.pdf", tempLink + u"\\sub\\copy.pdf",
        tempLink + u"\\new-folder\\copy.pdf",
        // A copy by name would write into a linked or hard-linked file's other
        // name, and under Wine create a dangling link's target.
        tempFileLink, tempHardLink, dangling[0].first, dangling[1].first}) {
    EXPECT_EQ(Send(FileCopy, source, destination).status, Denied);
  }
  for (const auto& [link, target] : dangling) EXPECT_FALSE(Exists(target));
  for (const auto& image : {tempLink + u"\\secret.png", tempLink + u"\\missing.png", tempHardImage})
    EXPECT_EQ(Send(FileExport, image, kSink + u"\\out.png").status, Denied);
  EXPECT_FALSE(Exists(kSink + u"\\out.png"));
  EXPECT_EQ(OutsideChanges(), std::vector<std::u16string>{});

  // A plain file of its own is still replaced.
  ASSERT_TRUE(WriteBytes(tempPlain, Bytes("an older and longer destination")));
  EXPECT_EQ(Send(FileCopy, source, tempPlain).status, Ok);
  EXPECT_EQ(ReadBytes(tempPlain), Bytes("%PDF-source"));

  // On NTFS this would create evil.exe with the PDF in a stream.
  EXPECT_EQ(Send(FileCopy, source, tempEvil + u":x.pdf").status, Denied);
  EXPECT_FALSE(Exists(tempEvil));
  EXPECT_FALSE(Exists(tempEvil + u":x.pdf"));
}

// A refusal after opening logs the same line as a refusal of the text.
TEST_F(RealPaths, RefusalsCarryTheOperationsLine) {
  DebugCapture capture;
  EXPECT_EQ(Call(FileRead, folderLink + u"\\secret.txt").status, Denied);
  EXPECT_EQ(Call(FileRead, corvaneHardLink).status, Denied);
  EXPECT_EQ(Call(FileCopy, kSink + u"\\source.pdf", tempLink + u"\\copy.pdf").status, Denied);
  EXPECT_EQ(Call(FileCopy, kSink + u"\\source.pdf", dangling[0].first).status, Denied);
  EXPECT_EQ(Call(FileExport, tempLink + u"\\secret.png", kSink + u"\\out.png").status, Denied);
  EXPECT_EQ(Call(FileExport, tempHardImage, kSink + u"\\out.png").status, Denied);
  const std::string read = "[CorvaneBroker] denied: outside Corvane subtree\n";
  const std::string copy = "[CorvaneBroker] file copy denied: outside Corvane subtree\n";
  const std::string exported = "[CorvaneBroker] file export denied: outside Corvane subtree\n";
  EXPECT_EQ(capture.Lines(),
            (std::vector<std::string>{read, read, copy, copy, exported, exported}));
}

// A fresh profile may have no Temp folder yet. What would lie in it is
// missing, not outside: it answers as a missing file does, with no refusal.
TEST_F(RealPaths, MissingTempFolderIsNotOutside) {
  const std::u16string away = temp + u"-corvane-away";
  struct PutBack {
    const std::u16string &temp, &away;
    ~PutBack() {
      RemoveDirectoryW(W(temp));  // only if something made it again, empty
      MoveFileW(W(away), W(temp));
    }
  };
  ASSERT_TRUE(MoveFileW(W(temp), W(away)));
  const PutBack putBack{temp, away};

  const std::u16string source = kSink + u"\\source.pdf";
  const struct {
    corvane::BrokerOperation operation;
    std::u16string path, name;
    corvane::BrokerStatus status;
  } rows[] = {
      {FileCopy, source, temp + u"\\copy.pdf", Failed},
      {FileCopy, source, temp + u"\\job\\copy.pdf", Failed},
      {FileExport, temp + u"\\img.png", kSink + u"\\img.png", NotFound},
  };
  DebugCapture capture;
  for (const auto& row : rows) {
    SCOPED_TRACE(Operation(row.operation).name);
    EXPECT_EQ(Send(row.operation, row.path, row.name).status, row.status);
    EXPECT_EQ(Call(row.operation, row.path, row.name).status, row.status);
  }
  EXPECT_EQ(capture.Lines(), std::vector<std::string>{});
  EXPECT_FALSE(Exists(temp));
  EXPECT_FALSE(Exists(kSink + u"\\img.png"));
}

}  // namespace
