#include "policy/shell_policy.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "tests/policy/printable.h"

namespace corvane {
namespace {

using namespace std::string_view_literals;

TEST(CheckShellTargetTest, Verdicts) {
  const struct {
    std::u16string_view target;
    PolicyVerdict verdict;
  } cases[] = {
      {u"HTTPS://host/page", PolicyVerdict::Allow},
      {u"Http://host", PolicyVerdict::Allow},
      {u"http://", PolicyVerdict::Allow},
      {u"https://host/run.exe", PolicyVerdict::Allow},
      {u"C:\\Docs\\Readme.TXT", PolicyVerdict::Allow},
      {u"readme.txt", PolicyVerdict::Allow},
      {u"\\\\server\\share\\report.pdf", PolicyVerdict::Allow},
      {u"C:\\x.htm", PolicyVerdict::Allow},
      {u"C:\\x.html", PolicyVerdict::Allow},
      {u"C:\\x.csv", PolicyVerdict::Allow},
      {u"C:\\x.XML", PolicyVerdict::Allow},
      {u"C:\\a.exe.pdf", PolicyVerdict::Allow},
      {u"ftp://host/file.csv", PolicyVerdict::Allow},
      {u"C:\\..\\..\\x.pdf", PolicyVerdict::Allow},
      {u".pdf", PolicyVerdict::Allow},
      {u"C:\\x.xhtml", PolicyVerdict::OutsideSubtree},
      {u"C:\\x.exe", PolicyVerdict::OutsideSubtree},
      {u"C:\\x.pdfx", PolicyVerdict::OutsideSubtree},
      {u"C:\\docs.pdf\\run", PolicyVerdict::OutsideSubtree},
      {u"mailto:someone", PolicyVerdict::OutsideSubtree},
      {u"http:/host/x", PolicyVerdict::OutsideSubtree},
      {u"C:\\a.p\uFF44f", PolicyVerdict::OutsideSubtree},
      {u"C:\\a b.pdf\" x", PolicyVerdict::Malformed},
      {u"/select,C:\\a.pdf", PolicyVerdict::Malformed},
      {u"-x.pdf", PolicyVerdict::Malformed},
      {u"", PolicyVerdict::Malformed},
      {u"\0"sv, PolicyVerdict::Malformed},
      {u"http://host/\0"sv, PolicyVerdict::Malformed},
      {u"C:\\a.pdf\0.exe"sv, PolicyVerdict::Malformed},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CheckShellTarget(c.target), c.verdict) << Printable(c.target);
  }
}

// The type whose handler alone opens an allowed target: a document's
// extension wherever the document lies, a web address's scheme; none for a
// refused target. Only a document named by its path is a file.
TEST(CheckShellTargetTest, JudgedType) {
  const struct {
    std::u16string_view target;
    std::u16string_view type;
    bool isFile;
  } cases[] = {
      {u"C:\\Docs\\Readme.TXT", u".txt", true},
      {u"C:\\a.exe.pdf", u".pdf", true},
      {u"\\\\server\\share\\report.html", u".html", true},
      {u"Ftp://host/a.csv", u".csv", false},
      {u"HTTPS://host/run.exe", u"https", false},
      {u"http://host/a.pdf", u"http", false},
      {u"C:\\x.exe", u"", false},
      {u"http://host/a b", u"", false},
  };
  for (const auto& c : cases) {
    const JudgedShellTarget judged = JudgeShellTarget(c.target);
    EXPECT_EQ(judged.type, c.type) << Printable(c.target);
    EXPECT_EQ(judged.isFile, c.isFile) << Printable(c.target);
  }
}

// A raw quote could close the handler's quoting on its command line, so it is
// refused in web addresses too.
TEST(CheckShellTargetTest, QuoteRefusedEvenInWebAddresses) {
  const std::u16string_view targets[] = {
      u"http://host/a\"b", u"HTTPS://host/\" --flag", u"\"", u"\"C:\\a.pdf\"", u"C:\\a.pdf\"",
  };
  for (std::u16string_view target : targets) {
    EXPECT_EQ(CheckShellTarget(target), PolicyVerdict::Malformed) << Printable(target);
  }
}

// Protocol handlers and pipes are reachable through texts that end in a listed
// extension; only plain documents and the ftp scheme stay open.
TEST(CheckShellTargetTest, ProtocolHandlersAndPipesRefused) {
  const struct {
    std::u16string_view target;
    PolicyVerdict verdict;
  } cases[] = {
      {u"file:///C:/Windows/System32/calc.exe#.pdf", PolicyVerdict::OutsideSubtree},
      {u"FILE:C:\\x.exe?.pdf", PolicyVerdict::OutsideSubtree},
      {u"search-ms:query=x&crumb=location:\\\\srv\\s&.pdf", PolicyVerdict::OutsideSubtree},
      {u"ms-msdt:/id x.xml", PolicyVerdict::OutsideSubtree},
      {u"\\\\srv\\pipe\\x.pdf", PolicyVerdict::Malformed},
      {u"\\\\.\\pipe\\x.pdf", PolicyVerdict::Malformed},
      {u"\\??\\pipe\\x.pdf", PolicyVerdict::Malformed},
      {u"\\\\srv\\MailSlot\\x.txt", PolicyVerdict::Malformed},
      {u"Ftp://host/a.csv", PolicyVerdict::Allow},
      {u"C:\\x:y.pdf", PolicyVerdict::Allow},
      {u"\\\\srv\\pipes\\x.pdf", PolicyVerdict::Allow},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CheckShellTarget(c.target), c.verdict) << Printable(c.target);
  }
}

// Wine's shell crashes on targets of about 1,000 units; the bound holds for
// web addresses and documents alike, at the figure the rule names.
TEST(CheckShellTargetTest, LengthBound) {
  const auto url = [](size_t length) {
    std::u16string t = u"https://host/";
    return t.append(length - t.size(), u'a');
  };
  const auto document = [](size_t length) {
    std::u16string t = u"C:\\";
    return t.append(length - t.size() - 4, u'a').append(u".pdf");
  };
  EXPECT_EQ(kMaxShellTargetLength, 720u);
  for (const auto& make : {+url, +document}) {
    EXPECT_EQ(CheckShellTarget(make(719)), PolicyVerdict::Allow);
    EXPECT_EQ(CheckShellTarget(make(720)), PolicyVerdict::Allow);
    EXPECT_EQ(CheckShellTarget(make(721)), PolicyVerdict::Malformed);
    EXPECT_EQ(CheckShellTarget(make(5000)), PolicyVerdict::Malformed);
  }
}

// Every two neighbouring "%" are tried, however the expander pairs them; only
// a text that starts with two hex digits (a web address's percent escape) may
// lie between them. The attack's own inputs run through the broker in
// tests/shell.
TEST(CheckShellTargetTest, VariableReferencesRefused) {
  const struct {
    std::u16string_view target;
    PolicyVerdict verdict;
  } cases[] = {
      {u"C:\\docs\\%systemdrive%\\a.csv", PolicyVerdict::Malformed},
      {u"https://host/%20%path%", PolicyVerdict::Malformed},
      {u"C:\\x\\%NOTSET%PATH%.pdf", PolicyVerdict::Malformed},
      {u"C:\\x\\%%PATH%%.pdf", PolicyVerdict::Malformed},
      {u"C:\\x\\50% off 20%.pdf", PolicyVerdict::Malformed},
      {u"http://host/%2%", PolicyVerdict::Malformed},
      {u"http://host/a%20b%2Fc%3a", PolicyVerdict::Allow},
      {u"http://host/%C3%A9t%C3%A9", PolicyVerdict::Allow},
      {u"C:\\x\\my%20file%2B1.pdf", PolicyVerdict::Allow},
      {u"%.pdf", PolicyVerdict::Allow},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CheckShellTarget(c.target), c.verdict) << Printable(c.target);
  }
}

// The handler's command line: a trailing "\\" escapes the closing quote of its
// "%1", control units alter it, and blanks split it in addresses. Document
// paths keep their blanks.
TEST(CheckShellTargetTest, CommandLineBreakersRefused) {
  const struct {
    std::u16string_view target;
    PolicyVerdict verdict;
  } cases[] = {
      {u"C:\\dir.txt\\", PolicyVerdict::Malformed},
      {u"http://host/a b", PolicyVerdict::Malformed},
      {u"ftp://host/My Doc.pdf", PolicyVerdict::Malformed},
      {u"http://host/a\x1f", PolicyVerdict::Malformed},
      {u"http://host/a\x7f", PolicyVerdict::Malformed},
      {u"C:\\My Documents\\a\tb.pdf", PolicyVerdict::Malformed},
      {u"C:\\My Documents\\report.pdf", PolicyVerdict::Allow},
      {u"http://host/a\\b", PolicyVerdict::Allow},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CheckShellTarget(c.target), c.verdict) << Printable(c.target);
  }
}

// A document component named after a DOS device opens the device. Web
// addresses are not file names; document addresses (ftp) are held to the test.
TEST(CheckShellTargetTest, ReservedDeviceNamesRefusedInDocuments) {
  const struct {
    std::u16string_view target;
    PolicyVerdict verdict;
  } cases[] = {
      {u"C:\\x\\con.txt", PolicyVerdict::Malformed},
      {u"nul.pdf", PolicyVerdict::Malformed},
      {u"C:\\COM1.csv", PolicyVerdict::Malformed},
      {u"C:\\x\\lpt1 .xml", PolicyVerdict::Malformed},
      {u"C:\\x\\Aux.Backup.HTML", PolicyVerdict::Malformed},
      {u"C:/x//PRN.htm", PolicyVerdict::Malformed},
      {u"C:\\con\\x.txt", PolicyVerdict::Malformed},
      {u"\\\\srv\\share\\conin$.csv", PolicyVerdict::Malformed},
      {u"C:\\lpt\u00b2.pdf", PolicyVerdict::Malformed},
      {u"ftp://host/con.csv", PolicyVerdict::Malformed},
      {u"C:\\x\\console.txt", PolicyVerdict::Allow},
      {u"C:\\x\\com10.csv", PolicyVerdict::Allow},
      {u"C:\\x\\x-nul.pdf", PolicyVerdict::Allow},
      {u"http://host/con.txt", PolicyVerdict::Allow},
      {u"https://nul/", PolicyVerdict::Allow},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CheckShellTarget(c.target), c.verdict) << Printable(c.target);
  }
}

}  // namespace
}  // namespace corvane
