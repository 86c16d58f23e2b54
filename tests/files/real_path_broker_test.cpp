// Links planted where a plug-in may act, against the real broker: a link in
// %APPDATA%\corvane or in Temp that leads outside must not let any request
// read, create, change or delete anything out there, while links that stay
// inside keep working. The disk is checked directly.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "plugin/client/broker_session.h"
#include "requests/folders.h"
#include "tests/files/file_tree_snapshot.h"
#include "tests/files/local_files.h"
#include "tests/files/request.h"
#include "tests/files/unix_links.h"
#include "tests/support/debug_capture.h"

namespace {

using namespace corvane::test;

constexpr uint32_t kRead = 14, kWrite = 15, kExists = 16, kDelete = 17, kCopy = 21, kExport = 22;
constexpr int32_t kDenied = 2;
const std::u16string kOutside = u"C:\\corvane-real-path-outside";
const std::u16string kSink = u"C:\\corvane-real-path-sink";
const std::u16string kHostile = u"484f5354494c45";  // "HOSTILE"

class RealPaths : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    auto launched = corvane::client::BrokerSession::Launch();
    if (launched) session.emplace(std::move(launched).value());
  }
  static void TearDownTestSuite() { session.reset(); }

  void SetUp() override {
    ASSERT_TRUE(session.has_value()) << "broker did not start";
    const std::u16string appData = corvane::AppDataFolder(), temp = corvane::TempFolder();
    ASSERT_FALSE(appData.empty());
    ASSERT_FALSE(temp.empty());
    corvane = appData + u"\\corvane";
    folderLink = corvane + u"\\real-path-link";
    fileLink = corvane + u"\\real-path-x.tmp";
    insideLink = corvane + u"\\real-path-inside";
    insideTarget = corvane + u"\\real-path-target";
    tempLink = temp + u"\\corvane-real-path-link";
    tempEvil = temp + u"\\corvane-real-path-evil.exe";
    tempFileLink = temp + u"\\corvane-real-path-linked.pdf";
    tempHardLink = temp + u"\\corvane-real-path-hard.pdf";
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
    before = Snapshot(kOutside);
    ASSERT_EQ(before.size(), 5u);
  }

  void TearDown() override {
    // Links first, so that nothing below removes what they lead to.
    for (const auto* link : {&folderLink, &fileLink, &insideLink, &tempLink, &tempFileLink})
      EXPECT_TRUE(RemoveUnixLink(*link));
    for (const std::u16string& folder : {kOutside, kSink, insideTarget}) RemoveTree(folder);
    DeleteFileW(W(corvane + u"\\real-path-x"));
    DeleteFileW(W(tempEvil + u":x.pdf"));
    DeleteFileW(W(tempHardLink));
  }

  static Reply Send(uint32_t operation, const std::u16string& path, const std::u16string& name = {},
                    const std::u16string& data = {}) {
    auto reply = session->connection.Request(operation, 0, path, name, data);
    if (!reply) {
      ADD_FAILURE() << "broker failed on operation " << operation << ": " << reply.error().message;
      return {};
    }
    return Reply{reply->status, reply->text};
  }

  std::vector<std::u16string> OutsideChanges() const {
    return UnexpectedChanges(before, Snapshot(kOutside),
                             [](const std::u16string&) { return false; });
  }

  static std::optional<corvane::client::BrokerSession> session;
  std::u16string corvane, folderLink, fileLink, insideLink, insideTarget, tempLink, tempEvil,
      tempFileLink, tempHardLink;
  FileTree before;
};

std::optional<corvane::client::BrokerSession> RealPaths::session;

// Existing or not, file or folder: everything through the link answers 2,
// so the answers do not even tell what exists outside.
TEST_F(RealPaths, AppDataRequestsThroughALinkOutsideAreRefused) {
  const std::u16string& via = folderLink;
  for (const auto& path : {via, via + u"\\secret.txt", via + u"\\missing.txt", via + u"\\sub",
                           via + u"\\sub\\missing\\x"}) {
    EXPECT_EQ(Send(kExists, path).status, kDenied);
    const Reply read = Send(kRead, path);
    EXPECT_EQ(read.status, kDenied);
    EXPECT_EQ(read.text, u"");
    EXPECT_EQ(Send(kDelete, path).status, kDenied);
  }
  for (const auto& path : {via + u"\\secret.txt", via + u"\\new.txt", via + u"\\sub\\new.txt",
                           via + u"\\new-folder\\x", via + u"\\sub\\new-folder\\x"}) {
    EXPECT_EQ(Send(kWrite, path, {}, kHostile).status, kDenied);
  }
  EXPECT_EQ(ReadBytes(kOutside + u"\\secret.txt"), Bytes("SECRET"));
  EXPECT_EQ(OutsideChanges(), std::vector<std::u16string>{});
}

// CREATE_ALWAYS on the temporary name would truncate the link's target.
TEST_F(RealPaths, WriteDoesNotFollowALinkAtTheTemporaryName) {
  EXPECT_EQ(Send(kWrite, corvane + u"\\real-path-x", {}, kHostile).status, kDenied);
  EXPECT_EQ(ReadBytes(kOutside + u"\\victim.txt"), Bytes("SECRET"));
  EXPECT_FALSE(Exists(corvane + u"\\real-path-x"));
  // A write of the link's own name replaces the link, not its target.
  EXPECT_EQ(Send(kWrite, fileLink, {}, kHostile).status, 0);
  EXPECT_EQ(ReadBytes(fileLink), Bytes("HOSTILE"));
  EXPECT_EQ(OutsideChanges(), std::vector<std::u16string>{});
}

TEST_F(RealPaths, LinksThatStayInsideKeepWorking) {
  const std::u16string note = insideLink + u"\\note.txt";
  EXPECT_EQ(Send(kWrite, note, {}, u"6869").status, 0);
  EXPECT_EQ(ReadBytes(insideTarget + u"\\note.txt"), Bytes("hi"));
  EXPECT_EQ(Send(kRead, note).text, u"6869");
  EXPECT_EQ(Send(kExists, note).status, 0);
  EXPECT_EQ(Send(kExists, insideLink).status, 0);
  EXPECT_EQ(Send(kDelete, note).status, 0);
  EXPECT_FALSE(Exists(insideTarget + u"\\note.txt"));
  EXPECT_EQ(Send(kWrite, insideLink + u"\\new-folder\\x", {}, u"").status, 0);
  EXPECT_TRUE(Exists(insideTarget + u"\\new-folder\\x"));
}

TEST_F(RealPaths, CopyAndExportThroughALinkInTempAreRefused) {
  const std::u16string source = kSink + u"\\source.pdf";
  for (const auto& destination :
       {tempLink + u"\\copy.pdf", tempLink + u"\\secret.pdf", tempLink + u"\\sub\\copy.pdf",
        tempLink + u"\\new-folder\\copy.pdf",
        // CopyFileW would write into a linked or hard-linked file's other name.
        tempFileLink, tempHardLink}) {
    EXPECT_EQ(Send(kCopy, source, destination).status, kDenied);
  }
  EXPECT_EQ(Send(kExport, tempLink + u"\\secret.png", kSink + u"\\out.png").status, kDenied);
  EXPECT_EQ(Send(kExport, tempLink + u"\\missing.png", kSink + u"\\out.png").status, kDenied);
  EXPECT_FALSE(Exists(kSink + u"\\out.png"));
  EXPECT_EQ(OutsideChanges(), std::vector<std::u16string>{});

  // On NTFS this would create evil.exe with the PDF in a stream.
  EXPECT_EQ(Send(kCopy, source, tempEvil + u":x.pdf").status, kDenied);
  EXPECT_FALSE(Exists(tempEvil));
  EXPECT_FALSE(Exists(tempEvil + u":x.pdf"));
}

// A refusal after opening logs the same line as a refusal of the text.
TEST_F(RealPaths, RefusalsCarryTheOperationsLine) {
  DebugCapture capture;
  EXPECT_EQ(Call(kRead, folderLink + u"\\secret.txt").status, kDenied);
  EXPECT_EQ(Call(kCopy, kSink + u"\\source.pdf", tempLink + u"\\copy.pdf").status, kDenied);
  EXPECT_EQ(Call(kExport, tempLink + u"\\secret.png", kSink + u"\\out.png").status, kDenied);
  EXPECT_EQ(capture.Lines(), (std::vector<std::string>{
                                 "[CorvaneBroker] denied: outside Corvane subtree\n",
                                 "[CorvaneBroker] file copy denied: outside Corvane subtree\n",
                                 "[CorvaneBroker] file export denied: outside Corvane subtree\n",
                             }));
}

}  // namespace
