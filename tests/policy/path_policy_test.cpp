#include "policy/path_policy.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "tests/policy/printable.h"

namespace corvane {
namespace {

using namespace std::string_literals;

const std::u16string kAd = u"C:\\Users\\Ann\\AppData\\Roaming";
const std::u16string kTmp = u"C:\\Users\\Ann\\AppData\\Local\\Temp";

TEST(PathShapeTest, AbsoluteAndPlainAbsolute) {
  const struct {
    std::u16string_view path;
    bool absolute, plain;
  } cases[] = {
      {u"C:\\", true, true},
      {u"z:/x", true, true},
      {u"\\\\server\\share\\img.png", true, true},
      {u"\\/x", true, true},
      {u"\\\\?x\\y", true, true},
      {u"\\\\?\\C:\\a.pdf", true, false},
      {u"\\\\.\\C:\\a.png", true, false},
      {u"//?/UNC/server/share/a.png", true, false},
      {u"/\\./pipe/x", true, false},
      {u"C:\\out\\img.png:s", true, false},
      {u"\\\\server\\D:\\x", true, false},
      {u"C:", false, false},
      {u"C:x", false, false},
      {u"\\x\\y", false, false},
      {u"a.pdf", false, false},
      {u"1:\\x", false, false},
      {u"\u00C4:\\x", false, false},
      {u"@:\\x", false, false},
      {u"[:\\x", false, false},
      {u"\\\\", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsAbsolutePath(c.path), c.absolute) << Printable(c.path);
    EXPECT_EQ(IsPlainAbsolutePath(c.path), c.plain) << Printable(c.path);
  }
}

TEST(PathShapeTest, ExtensionOf) {
  const struct {
    std::u16string_view path, extension;
  } cases[] = {
      {u"x.tar.gif", u".gif"},    {u"x.", u"."},        {u"x", u""},
      {u"a\\dir.png\\file", u""}, {u"a.b\\c.d", u".d"}, {u"a\\.png", u".png"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExtensionOf(c.path), c.extension) << Printable(c.path);
  }
}

struct AppDataCase {
  std::u16string path;
  PolicyVerdict verdict;
};

void ExpectAppDataVerdicts(std::u16string_view folder, std::initializer_list<AppDataCase> cases) {
  for (const AppDataCase& c : cases) {
    EXPECT_EQ(CheckAppDataPath(c.path, folder), c.verdict)
        << "'" << Printable(c.path) << "' in '" << Printable(folder) << "'";
  }
}

TEST(CheckAppDataPathTest, FolderAndName) {
  ExpectAppDataVerdicts(kAd,
                        {
                            {kAd + u"\\corvane\\state.json", PolicyVerdict::Allow},
                            {kAd + u"\\CORVANE\\sub\\x.bin", PolicyVerdict::Allow},
                            {kAd + u"\\corvane", PolicyVerdict::Allow},
                            {kAd + u"\\corvane\\", PolicyVerdict::Allow},
                            {kAd + u"\\corvane0123abcd\\x", PolicyVerdict::Allow},
                            {kAd + u"\\Corvane0123ABCD\\x", PolicyVerdict::Allow},
                            {u"c:/users/ann/appdata/roaming/corvane/x", PolicyVerdict::Allow},
                            {kAd + u"\\corvane\\.\\x", PolicyVerdict::Allow},
                            {kAd + u"\\corvane\\x:stream", PolicyVerdict::Allow},
                            {kAd + u"\\corvane0123abcg\\x", PolicyVerdict::OutsideSubtree},
                            {kAd + u"\\corvane012\\x", PolicyVerdict::OutsideSubtree},
                            {kAd + u"\\corvanex\\x", PolicyVerdict::OutsideSubtree},
                            {kAd, PolicyVerdict::OutsideSubtree},
                            {kAd + u"\\", PolicyVerdict::OutsideSubtree},
                            {kAd + u"\\other\\corvane\\x", PolicyVerdict::OutsideSubtree},
                            {kAd + u"x\\corvane\\x", PolicyVerdict::OutsideSubtree},
                            {u"corvane\\x", PolicyVerdict::OutsideSubtree},
                            {u"C:\\Users\\Ann\\AppData\\corvane\\x", PolicyVerdict::OutsideSubtree},
                            {kAd + u"\\corvane\\..\\other", PolicyVerdict::Malformed},
                            {kAd + u"\\corvane\\..", PolicyVerdict::Malformed},
                            {kAd + u"\\corvane\\x\0"s, PolicyVerdict::Malformed},
                            {u"", PolicyVerdict::Malformed},
                            {u"//", PolicyVerdict::Malformed},
                        });
}

TEST(CheckAppDataPathTest, SeparatorSpellingDoesNotMatter) {
  const std::u16string tails[] = {u"\\corvane\\state.json", u"\\corvane0123abcd\\x",
                                  u"\\corvanex\\x", u"\\corvane\\..\\other", u"\\other"};
  for (const std::u16string& tail : tails) {
    const PolicyVerdict expected = CheckAppDataPath(kAd + tail, kAd);
    std::u16string slashes = kAd + tail;
    for (char16_t& unit : slashes) {
      if (unit == u'\\') unit = u'/';
    }
    std::u16string doubled;
    for (char16_t unit : kAd + tail) {
      doubled.push_back(unit);
      if (unit == u'\\') doubled.push_back(u'/');
    }
    EXPECT_EQ(CheckAppDataPath(slashes, kAd), expected) << Printable(slashes);
    EXPECT_EQ(CheckAppDataPath(doubled, kAd), expected) << Printable(doubled);
    EXPECT_EQ(CheckAppDataPath(kAd + tail, kAd + u"\\"), expected) << Printable(tail);
  }
}

TEST(CheckAppDataPathTest, EmptyFolderRefusesEverything) {
  ExpectAppDataVerdicts(u"", {{kAd + u"\\corvane\\x", PolicyVerdict::Malformed},
                              {u"corvane\\x", PolicyVerdict::Malformed}});
  ExpectAppDataVerdicts(u"\\/", {{u"corvane\\x", PolicyVerdict::Malformed}});
}

// Spellings that Windows resolves to somewhere other than the text suggests.
TEST(CheckAppDataPathTest, WindowsSpellingsStayInside) {
  ExpectAppDataVerdicts(
      kAd, {
               // Trailing dots and blanks are stripped, so these can climb like "..".
               {kAd + u"\\corvane\\...\\x", PolicyVerdict::Malformed},
               {kAd + u"\\corvane\\. .\\x", PolicyVerdict::Malformed},
               {kAd + u"\\corvane\\x\\....", PolicyVerdict::Malformed},
               // Device names open devices.
               {kAd + u"\\corvane\\nul", PolicyVerdict::Malformed},
               {kAd + u"\\corvane\\CON .json", PolicyVerdict::Malformed},
               // Other leading separators name another place than the folder.
               {u"\\" + kAd + u"\\corvane\\x", PolicyVerdict::OutsideSubtree},
               {u"\\\\" + kAd + u"\\corvane\\x", PolicyVerdict::OutsideSubtree},
               // Long-path, device and object-manager prefixes, and the local
               // disk through a share, are not spelled like the folder.
               {u"\\\\?\\" + kAd + u"\\corvane\\x", PolicyVerdict::OutsideSubtree},
               {u"\\\\.\\" + kAd + u"\\corvane\\x", PolicyVerdict::OutsideSubtree},
               {u"\\??\\" + kAd + u"\\corvane\\x", PolicyVerdict::OutsideSubtree},
               {u"\\\\localhost\\C$\\Users\\Ann\\AppData\\Roaming\\corvane\\x",
                PolicyVerdict::OutsideSubtree},
               // A stream of the folder, a short name or trailing dots on its
               // name are not the folder's name.
               {kAd + u"\\corvane::$INDEX_ALLOCATION\\x", PolicyVerdict::OutsideSubtree},
               {kAd + u"\\corvane:$i30:$INDEX_ALLOCATION", PolicyVerdict::OutsideSubtree},
               {kAd + u"\\CORVAN~1\\x", PolicyVerdict::OutsideSubtree},
               {kAd + u"\\corvane.\\x", PolicyVerdict::OutsideSubtree},
               {kAd + u"\\corvane \\x", PolicyVerdict::OutsideSubtree},
               {kAd + u"\\corvane\\x::$DATA", PolicyVerdict::Allow},
           });
}

TEST(CheckAppDataPathTest, FolderOnAShare) {
  const std::u16string share = u"\\\\srv\\profiles\\ann\\AppData\\Roaming";
  ExpectAppDataVerdicts(
      share,
      {
          {share + u"\\corvane\\x", PolicyVerdict::Allow},
          {u"//srv/profiles/ann/AppData/Roaming/corvane/x", PolicyVerdict::Allow},
          // Without the leading separators this is relative to the current folder.
          {u"srv\\profiles\\ann\\AppData\\Roaming\\corvane\\x", PolicyVerdict::OutsideSubtree},
          {u"\\srv\\profiles\\ann\\AppData\\Roaming\\corvane\\x", PolicyVerdict::OutsideSubtree},
          {u"\\" + share + u"\\corvane\\x", PolicyVerdict::OutsideSubtree},
      });
}

struct CopyCase {
  std::u16string source, destination;
  PolicyVerdict verdict;
};

void ExpectCopyVerdicts(PolicyVerdict (*rule)(std::u16string_view, std::u16string_view,
                                              std::u16string_view),
                        std::u16string_view temp, std::initializer_list<CopyCase> cases) {
  for (const CopyCase& c : cases) {
    EXPECT_EQ(rule(c.source, c.destination, temp), c.verdict)
        << "'" << Printable(c.source) << "' to '" << Printable(c.destination) << "' with '"
        << Printable(temp) << "'";
  }
}

TEST(CheckFileCopyTest, PdfIntoTemp) {
  const std::u16string dest = kTmp + u"\\job\\copy.pdf";
  ExpectCopyVerdicts(
      CheckFileCopy, kTmp,
      {
          {u"D:\\Docs\\Report.PDF", dest, PolicyVerdict::Allow},
          {u"\\\\server\\share\\a.pdf", dest, PolicyVerdict::Allow},
          {u"\\\\?\\C:\\a.pdf", dest, PolicyVerdict::Allow},
          {u"C:\\.pdf", dest, PolicyVerdict::Allow},
          {u"D:/a.pdf", kTmp + u"\\.pdf", PolicyVerdict::Allow},
          {u"D:\\a.pdf", u"c:/users/ann/appdata/local/temp//a/b/c.PDF", PolicyVerdict::Allow},
          {u"a.pdf", dest, PolicyVerdict::Malformed},
          {u"\\a.pdf", dest, PolicyVerdict::Malformed},
          {u"D:\\a.pdf", u"job\\copy.pdf", PolicyVerdict::Malformed},
          {u"C:\\x\\..\\a.pdf", dest, PolicyVerdict::Malformed},
          {u"D:\\a.pdf", kTmp + u"\\..\\a.pdf", PolicyVerdict::Malformed},
          {u"C:\\a.pdf\0"s, dest, PolicyVerdict::Malformed},
          {u"C:\\a.pdf", dest + u"\0"s, PolicyVerdict::Malformed},
          {u"", dest, PolicyVerdict::Malformed},
          {u"C:\\a.pdf", u"", PolicyVerdict::Malformed},
          {u"C:\\a.pdfx", dest, PolicyVerdict::OutsideSubtree},
          {u"C:\\a.pdf", kTmp + u"\\a.txt", PolicyVerdict::OutsideSubtree},
          {u"C:\\a.pdf", kTmp + u"x\\a.pdf", PolicyVerdict::OutsideSubtree},
          {u"C:\\a.pdf", kTmp + u".pdf", PolicyVerdict::OutsideSubtree},
          {u"C:\\a.pdf", u"C:\\Users\\Ann\\a.pdf", PolicyVerdict::OutsideSubtree},
      });
  ExpectCopyVerdicts(CheckFileCopy, u"", {{u"D:\\a.pdf", dest, PolicyVerdict::Malformed}});
}

TEST(CheckFileCopyTest, WindowsSpellingsStayInside) {
  ExpectCopyVerdicts(
      CheckFileCopy, kTmp,
      {
          {u"C:\\x\\...\\a.pdf", kTmp + u"\\a.pdf", PolicyVerdict::Malformed},
          {u"C:\\a.pdf", kTmp + u"\\. \\a.pdf", PolicyVerdict::Malformed},
          {u"C:\\nul.pdf", kTmp + u"\\a.pdf", PolicyVerdict::Malformed},
          {u"C:\\a.pdf", kTmp + u"\\LPT1.pdf", PolicyVerdict::Malformed},
          {u"C:\\a.pdf", kTmp + u"\\conout$\\a.pdf", PolicyVerdict::Malformed},
          // The source may be anywhere; the destination has to be spelled like TMP.
          // A server named "C:" has a colon where no drive can be.
          {u"C:\\a.pdf", u"\\\\" + kTmp + u"\\a.pdf", PolicyVerdict::Malformed},
          {u"C:\\a.pdf", u"\\\\?\\" + kTmp + u"\\a.pdf", PolicyVerdict::OutsideSubtree},
          {u"C:\\a.pdf", u"\\\\localhost\\c$\\Users\\Ann\\AppData\\Local\\Temp\\a.pdf",
           PolicyVerdict::OutsideSubtree},
      });
}

// On NTFS "evil.exe:x.pdf" is the stream "x.pdf" of a file "evil.exe": a
// destination with a colon past the drive's own would plant any file name.
TEST(CheckFileCopyTest, DestinationNamesNoStream) {
  const std::u16string longTmp = u"\\\\?\\" + kTmp;
  ExpectCopyVerdicts(CheckFileCopy, kTmp,
                     {
                         {u"C:\\a.pdf", kTmp + u"\\evil.exe:x.pdf", PolicyVerdict::Malformed},
                         {u"C:\\a.pdf", kTmp + u"\\a.pdf::$DATA.pdf", PolicyVerdict::Malformed},
                         {u"C:\\a.pdf", kTmp + u":x.pdf", PolicyVerdict::Malformed},
                         {u"C:\\a.pdf", kTmp + u"\\job:s\\a.pdf", PolicyVerdict::Malformed},
                         {u"C:\\a.pdf", u"\\\\?\\C::\\a.pdf", PolicyVerdict::Malformed},
                         {u"C:\\a.pdf", u"//./C:/x:y.pdf", PolicyVerdict::Malformed},
                         {u"C:\\a.pdf", u"\\\\srv\\share:x.pdf", PolicyVerdict::Malformed},
                         // The source keeps its rule; a long-form destination
                         // is inside a long-form folder only.
                         {u"C:\\a.pdf:s.pdf", kTmp + u"\\a.pdf", PolicyVerdict::Allow},
                         {u"C:\\a.pdf", longTmp + u"\\a.pdf", PolicyVerdict::OutsideSubtree},
                     });
  ExpectCopyVerdicts(CheckFileCopy, longTmp,
                     {
                         {u"C:\\a.pdf", longTmp + u"\\a.pdf", PolicyVerdict::Allow},
                         {u"C:\\a.pdf", longTmp + u"\\e.exe:a.pdf", PolicyVerdict::Malformed},
                     });
}

TEST(CheckFileExportTest, ImageOutOfTemp) {
  const std::u16string png = kTmp + u"\\img.PNG";
  ExpectCopyVerdicts(
      CheckFileExport, kTmp,
      {
          {png, u"E:\\out\\img.png", PolicyVerdict::Allow},
          {kTmp + u"\\a\\b.x.gif", u"\\\\server\\share\\b.gif", PolicyVerdict::Allow},
          {u"c:/users/ann/appdata/local/temp/a.jpg", u"E:/a.JPG", PolicyVerdict::Allow},
          {kTmp + u"\\a.bmp", u"E:\\a.bmp", PolicyVerdict::Allow},
          {kTmp + u"\\a.dib", u"E:\\a.dib", PolicyVerdict::Allow},
          {kTmp + u"\\a.tif", u"E:\\a.tif", PolicyVerdict::Allow},
          {png, u"E:\\out\\img.jpg", PolicyVerdict::OutsideSubtree},
          {kTmp + u"\\a.tiff", u"E:\\a.tiff", PolicyVerdict::OutsideSubtree},
          {kTmp + u"\\a.jpeg", u"E:\\a.jpeg", PolicyVerdict::OutsideSubtree},
          {kTmp + u"\\a.pdf", u"E:\\a.pdf", PolicyVerdict::OutsideSubtree},
          {kTmp + u"\\dir.png\\file", u"E:\\file", PolicyVerdict::OutsideSubtree},
          {u"C:\\other\\a.png", u"E:\\a.png", PolicyVerdict::OutsideSubtree},
          {kTmp + u".png", u"E:\\a.png", PolicyVerdict::OutsideSubtree},
          {kTmp + u"x\\a.png", u"E:\\a.png", PolicyVerdict::OutsideSubtree},
          {png, u"C:\\out\\img.png:s", PolicyVerdict::Malformed},
          {u"\\\\?\\" + kTmp + u"\\a.png", u"E:\\a.png", PolicyVerdict::Malformed},
          {png, u"\\\\.\\E:\\a.png", PolicyVerdict::Malformed},
          {png, u"out\\img.png", PolicyVerdict::Malformed},
          {kTmp + u"\\x\\..\\..\\a.png", u"E:\\a.png", PolicyVerdict::Malformed},
          {png, u"E:\\a\\..\\img.png", PolicyVerdict::Malformed},
          {png + u"\0"s, u"E:\\a.png", PolicyVerdict::Malformed},
          {png, u"", PolicyVerdict::Malformed},
      });
  ExpectCopyVerdicts(CheckFileExport, u"", {{png, u"E:\\a.png", PolicyVerdict::Malformed}});
}

TEST(CheckFileExportTest, WindowsSpellingsStayInside) {
  ExpectCopyVerdicts(CheckFileExport, kTmp,
                     {
                         {kTmp + u"\\x\\ ..\\a.png", u"E:\\a.png", PolicyVerdict::Malformed},
                         {kTmp + u"\\a.png", u"E:\\x\\...\\a.png", PolicyVerdict::Malformed},
                         {kTmp + u"\\aux.png", u"E:\\a.png", PolicyVerdict::Malformed},
                         {kTmp + u"\\a.png", u"E:\\com9.png", PolicyVerdict::Malformed},
                         {u"\\\\" + kTmp + u"\\a.png", u"E:\\a.png", PolicyVerdict::Malformed},
                         {u"\\\\localhost\\C$\\Users\\Ann\\AppData\\Local\\Temp\\a.png",
                          u"E:\\a.png", PolicyVerdict::OutsideSubtree},
                     });
}

// A pipe server can impersonate the client that opens it: the copy source
// and the export destination, which may lie anywhere, must not name a pipe,
// a mailslot or another device-namespace object.
TEST(CopyAndExportTest, PipesAndDevicesRefused) {
  const std::u16string pdfDest = kTmp + u"\\a.pdf";
  ExpectCopyVerdicts(CheckFileCopy, kTmp,
                     {
                         {u"\\\\.\\pipe\\x.pdf", pdfDest, PolicyVerdict::Malformed},
                         {u"\\\\?\\pipe\\x.pdf", pdfDest, PolicyVerdict::Malformed},
                         {u"//?/UNC/srv/share/x.pdf", pdfDest, PolicyVerdict::Malformed},
                         {u"\\\\localhost\\PIPE\\x.pdf", pdfDest, PolicyVerdict::Malformed},
                         {u"//srv/mailslot/x.pdf", pdfDest, PolicyVerdict::Malformed},
                         {u"\\\\srv\\pipework\\x.pdf", pdfDest, PolicyVerdict::Allow},
                         {u"\\\\?\\D:\\x.pdf", pdfDest, PolicyVerdict::Allow},
                     });
  const std::u16string png = kTmp + u"\\img.png";
  ExpectCopyVerdicts(CheckFileExport, kTmp,
                     {
                         {png, u"\\\\127.0.0.1\\pipe\\x.png", PolicyVerdict::Malformed},
                         {png, u"\\\\srv\\Pipe\\a\\x.png", PolicyVerdict::Malformed},
                         {png, u"\\\\srv\\share\\pipe\\x.png", PolicyVerdict::Allow},
                     });
}

}  // namespace
}  // namespace corvane
