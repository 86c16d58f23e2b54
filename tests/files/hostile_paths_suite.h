// The hostile-path suite: hundreds of crafted paths sent through every file
// operation by SendRequest, which each including test program defines (in
// process, or through the real broker). Include it in one source only.
// Bystander files named like each hostile leaf wait outside the folders that
// may be touched; a record of the prefix's whole drive C before and after
// proves that nothing outside AppData\Roaming\corvane* and AppData\Local\Temp
// was created, changed or deleted, and no read returned a bystander.
#include "tests/files/hostile_paths.h"

#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "policy/path_policy.h"
#include "protocol/hex_text.h"
#include "tests/files/file_tree_snapshot.h"
#include "tests/files/local_files.h"
#include "tests/files/request.h"
#include "tests/files/user_folders.h"
#include "tests/support/platform.h"
#include "win/folders.h"

namespace corvane::test {

// Sends one request; a transport failure is reported as a test failure.
Reply SendRequest(BrokerOperation operation, const std::u16string& path, const std::u16string& name,
                  const std::u16string& data);

}  // namespace corvane::test

namespace {

using namespace corvane::test;
using enum corvane::BrokerOperation;
using enum corvane::BrokerStatus;

const std::u16string kDrive = u"C:";
const std::u16string kSink = u"C:\\corvane-hostile-sink";
const std::u16string kSource = u"C:\\corvane-hostile-source";
const std::u16string kWorkingFolder = u"C:\\corvane-hostile-cwd";

std::string Printable(const std::u16string& text) {
  std::string out;
  for (char16_t c : text.substr(0, 160)) {
    if (c >= 0x20 && c < 0x7F) {
      out.push_back(static_cast<char>(c));
    } else {
      char buffer[16];
      snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(c));
      out += buffer;
    }
  }
  if (text.size() > 160) out += "...(" + std::to_string(text.size()) + " units)";
  return out;
}

std::string Join(const std::vector<std::u16string>& lines) {
  std::string out;
  for (const auto& line : lines) out += Printable(line) + "\n";
  return out;
}

bool StartsWith(const std::u16string& text, const std::u16string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

class HostilePaths : public UserFoldersTest {
 protected:
  void SetUp() override {
    UserFoldersTest::SetUp();
    if (HasFatalFailure()) return;
    CORVANE_SKIP_ON_WINDOWS(
        "it records all of drive C and plants files in C:\\ and C:\\users, which needs admin "
        "rights and a drive nothing else writes to, as a Wine prefix is");
    local = temp.substr(0, temp.size() - 5);

    // The folders that may be reached exist beforehand, so creating them
    // does not count as a change of their parent.
    MakeFolders(appData + u"\\corvane");
    MakeFolders(appData + u"\\corvane0123abcd");
    MakeFolders(temp);
    for (const auto& folder : {kSink, kSource, kWorkingFolder}) {
      RemoveTree(folder);
      MakeFolders(folder);
    }
    ASSERT_TRUE(WriteBytes(kSource + u"\\source.pdf", Bytes("%PDF-hostile-source")));
    ASSERT_TRUE(WriteBytes(temp + u"\\inside.png", Bytes("INSIDE")));
    // Relative paths must not land in the build tree, which is not recorded.
    SetCurrentDirectoryW(W(kWorkingFolder));

    const std::u16string user = appData.substr(0, appData.size() - 16);  // C:\users\<name>
    for (const std::u16string& folder : std::vector<std::u16string>{
             kDrive, u"C:\\users", user, user + u"\\AppData", appData, local, local + u"\\Tempx",
             appData + u"\\corvanex", appData + u"\\corvane0123abcg", appData + u"\\corvane012",
             appData + u"\\other\\corvane", kWorkingFolder}) {
      MakeFolders(folder);
      for (const auto& leaf :
           {u"escape.txt", u"escape.pdf", u"escape.png", u"escape.txt.tmp", u"escape.pdf.tmp"}) {
        const std::u16string path = folder + u"\\" + leaf;
        ASSERT_TRUE(WriteBytes(path, Bytes("OUTSIDE")));
        bystanders.push_back(path);
      }
    }
    for (const auto& leaf : {u"corvane.tmp", u"corvane0123abcd.tmp", u"escape.txt"}) {
      ASSERT_TRUE(WriteBytes(appData + u"\\" + leaf, Bytes("OUTSIDE")));
    }
  }

  void TearDown() override {
    if (!UnderWine()) return;  // nothing was made
    SetCurrentDirectoryW(L"C:\\");
    for (const auto& path : bystanders) DeleteFileW(W(path));
    DeleteFileW(W(appData + u"\\corvane.tmp"));
    DeleteFileW(W(appData + u"\\corvane0123abcd.tmp"));
    for (const std::u16string& folder : std::vector<std::u16string>{
             kSink, kSource, kWorkingFolder, local + u"\\Tempx", appData + u"\\corvanex",
             appData + u"\\corvane0123abcg", appData + u"\\corvane012", appData + u"\\other"}) {
      RemoveTree(folder);
    }
  }

  // Anything below a corvane folder of the roaming folder, the temporary
  // folder, or the export sink.
  bool MayChange(const std::u16string& lowerPath) const {
    const std::u16string roaming = LowerPath(appData) + u"\\";
    if (StartsWith(lowerPath, roaming)) {
      const std::u16string rest = lowerPath.substr(roaming.size());
      const std::u16string top = rest.substr(0, rest.find(u'\\'));
      if (corvane::IsCorvaneFolderName(top)) return true;
    }
    const std::u16string lowerTemp = LowerPath(temp);
    if (lowerPath == lowerTemp || StartsWith(lowerPath, lowerTemp + u"\\")) return true;
    const std::u16string sink = LowerPath(kSink);
    return lowerPath == sink || StartsWith(lowerPath, sink + u"\\");
  }

  std::vector<std::u16string> ChangesSince(const FileTree& before) const {
    return UnexpectedChanges(before, Snapshot(kDrive),
                             [this](const std::u16string& p) { return MayChange(p); });
  }

  std::u16string local;
  std::vector<std::u16string> bystanders;
  std::set<std::u16string> distinct;
  size_t requests = 0;
};

bool NamesEscapeLeaf(const std::u16string& path) {
  return path.find(u"escape") != std::u16string::npos;
}

bool ReadBystander(const corvane::test::Reply& reply) {
  std::vector<uint8_t> bytes;
  return reply.status == Ok && corvane::HexText::Decode(reply.text, bytes) &&
         bytes == Bytes("OUTSIDE");
}

TEST_F(HostilePaths, AppDataOperationsStayInsideTheCorvaneFolders) {
  const auto paths = HostileAppDataPaths(appData);
  distinct.insert(paths.begin(), paths.end());
  FileTree before = Snapshot(kDrive);
  // The record sees the whole drive, bystanders included.
  ASSERT_GT(before.size(), 500u);
  for (const auto& path : bystanders) ASSERT_EQ(before.count(LowerPath(path)), 1u);

  // Reads first, while no file named "escape..." exists inside the folders:
  // finding one means the path resolved outside.
  for (const auto& path : paths) {
    ++requests;
    const Reply exists = SendRequest(FileExists, path, {}, {});
    EXPECT_FALSE(exists.status == Ok && NamesEscapeLeaf(path)) << "exists: " << Printable(path);
    ++requests;
    const Reply read = SendRequest(FileRead, path, {}, {});
    EXPECT_FALSE(ReadBystander(read)) << "read: " << Printable(path);
  }
  EXPECT_EQ(Join(ChangesSince(before)), "") << "after reading";

  before = Snapshot(kDrive);
  for (const auto& path : paths) {
    ++requests;
    SendRequest(FileWrite, path, {}, u"484f5354494c45");  // "HOSTILE"
  }
  EXPECT_EQ(Join(ChangesSince(before)), "") << "after writing";
  // The plain paths among them did their work: the requests were served.
  EXPECT_EQ(ReadBytes(appData + u"\\corvane\\escape.txt"), Bytes("HOSTILE"));

  before = Snapshot(kDrive);
  for (const auto& path : paths) {
    ++requests;
    SendRequest(FileDelete, path, {}, {});
  }
  EXPECT_EQ(Join(ChangesSince(before)), "") << "after deleting";
  EXPECT_FALSE(Exists(appData + u"\\corvane\\escape.txt"));
  for (const auto& path : bystanders)
    EXPECT_EQ(ReadBytes(path), Bytes("OUTSIDE")) << Printable(path);
  std::printf("%zu distinct hostile paths, %zu requests\n", distinct.size(), requests);
}

TEST_F(HostilePaths, CopyDestinationsStayInsideTheTemporaryFolder) {
  const auto destinations = HostileTempDestinations(temp);
  const std::vector<std::u16string> sources = {
      kSource + u"\\source.pdf",
      u"\\\\?\\" + kSource + u"\\source.pdf",
      u"\\\\localhost\\c$" + kSource.substr(2) + u"\\source.pdf",
      u"C:\\con.pdf",
      u"C:\\nul.pdf",
      u"\\\\.\\pipe\\escape.pdf",
      kSource + u"\\source.pdf:s.pdf",
      kSource + u"\\..\\corvane-hostile-source\\source.pdf",
      kSource + u"\\...\\source.pdf",
      temp + u"\\escape.pdf",
  };
  distinct.insert(destinations.begin(), destinations.end());
  const FileTree before = Snapshot(kDrive);
  for (const auto& destination : destinations) {
    ++requests;
    SendRequest(FileCopy, sources[0], destination, {});
  }
  for (const auto& source : sources) {
    for (const auto& destination : {temp + u"\\escape.pdf", temp + u"\\..\\escape.pdf"}) {
      ++requests;
      SendRequest(FileCopy, source, destination, {});
    }
  }
  EXPECT_EQ(Join(ChangesSince(before)), "");
  for (const auto& path : bystanders)
    EXPECT_EQ(ReadBytes(path), Bytes("OUTSIDE")) << Printable(path);
  std::printf("%zu distinct hostile destinations, %zu requests\n", distinct.size(), requests);
}

TEST_F(HostilePaths, ExportReadsOnlyFromTheTemporaryFolder) {
  const auto sources = HostileTempSources(temp);
  const auto destinations = HostileExportDestinations(kSink);
  distinct.insert(sources.begin(), sources.end());
  distinct.insert(destinations.begin(), destinations.end());
  const FileTree before = Snapshot(kDrive);
  int index = 0;
  for (const auto& source : sources) {
    const std::u16string destination = kSink + u"\\out" + [&] {
      std::u16string n;
      for (char c : std::to_string(index++)) n.push_back(static_cast<char16_t>(c));
      return n;
    }() + u".png";
    ++requests;
    const Reply r = SendRequest(FileExport, source, destination, {});
    if (r.status == Ok) {
      EXPECT_NE(ReadBytes(destination), Bytes("OUTSIDE")) << Printable(source);
    }
  }
  for (const auto& destination : destinations) {
    ++requests;
    SendRequest(FileExport, temp + u"\\inside.png", destination, {});
  }
  EXPECT_EQ(Join(ChangesSince(before)), "");
  for (const auto& path : bystanders)
    EXPECT_EQ(ReadBytes(path), Bytes("OUTSIDE")) << Printable(path);
  std::printf("%zu distinct hostile paths, %zu requests\n", distinct.size(), requests);
}

}  // namespace
