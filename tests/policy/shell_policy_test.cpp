#include "policy/shell_policy.h"

#include <gtest/gtest.h>

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
      {u"C:\\dir.txt\\", PolicyVerdict::OutsideSubtree},
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

}  // namespace
}  // namespace corvane
