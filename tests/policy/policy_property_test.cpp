// Random texts built from the pieces the rules look at; every verdict must
// keep the invariants of policy_invariants.h.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>

#include "tests/policy/policy_invariants.h"
#include "tests/policy/printable.h"

namespace corvane {
namespace {

using namespace std::string_view_literals;
namespace inv = policy_invariants;

const std::u16string kAd = u"C:\\Users\\Ann\\AppData\\Roaming";
const std::u16string kShareAd = u"\\\\srv\\home\\ann\\AppData\\Roaming";
const std::u16string kTmp = u"C:\\Users\\Ann\\AppData\\Local\\Temp";

// Paths shaped like the ones the rules judge: a folder (usually), then a few
// components, often led by a likely name and ended by a likely extension.
class TextGenerator {
 public:
  explicit TextGenerator(uint32_t seed) : random_(seed) {}

  std::u16string Next(std::u16string_view folder, std::u16string_view head,
                      std::u16string_view tail) {
    std::u16string text(Pick(4) == 0 ? kPieces[Pick(std::size(kPieces))] : folder);
    // Folders respelled with other leading separators.
    if (Pick(6) == 0) text.insert(0, kSeparators[Pick(std::size(kSeparators))]);
    if (Pick(6) == 0) text.erase(0, text.find_first_not_of(u"\\/"));
    const size_t components = 1 + Pick(4);
    for (size_t i = 0; i < components; ++i) {
      text += kSeparators[Pick(std::size(kSeparators))];
      if (i == 0 && Pick(2) == 0) {
        text += head;
      } else {
        for (size_t n = 1 + Pick(2); n > 0; --n) text += kPieces[Pick(std::size(kPieces))];
      }
    }
    if (Pick(3) != 0) text += tail;
    return text;
  }

  size_t Pick(size_t bound) { return std::uniform_int_distribution<size_t>(0, bound - 1)(random_); }

 private:
  static constexpr std::u16string_view kSeparators[] = {u"\\", u"\\", u"\\", u"/", u"\\/", u""};
  static constexpr std::u16string_view kPieces[] = {
      u"\\",   u"/",    u"corvane", u"CORVANE", u"0123abCD",  u"0123",     u"g",
      u"..",   u".",    u"...",     u" ",       u"x",         u"Docs",     u"C:",
      u"c:\\", u":",    u"::$DATA", u"?",       u"\\\\?\\",   u"\\\\.\\",  u"\\??\\",
      u"~1",   u"con",  u"NUL",     u"com1",    u"lpt\u00B9", u".pdf",     u".PNG",
      u".jpg", u".tif", u".txt",    u".html",   u"http://",   u"HTTPS://", u"\"",
      u"-",    u"\0"sv, u"\uFF43",  u"\u00C4",  u"software",  u"Temp",     u"localhost",
      u"c$",   u"srv",  u"Roaming", u"AppData", u"%",         u"%2F",      u"\t",
      u"\x7f",
  };
  std::mt19937 random_;
};

constexpr int kRounds = 20000;

TEST(PolicyPropertyTest, AppDataPathAllowStaysInTheCorvaneFolder) {
  TextGenerator gen(1);
  int allowed = 0;
  for (int i = 0; i < kRounds; ++i) {
    const std::u16string& folder = gen.Pick(4) == 0 ? kShareAd : kAd;
    const std::u16string path =
        gen.Next(folder, gen.Pick(2) == 0 ? u"corvane" : u"Corvane0123ABcd", u".json");
    const std::string broken = inv::AppDataPath(path, folder);
    ASSERT_EQ(broken, "") << Printable(path) << " in " << Printable(folder);
    allowed += CheckAppDataPath(path, folder) == PolicyVerdict::Allow;
  }
  // The generator has to reach Allow for the invariants to say anything.
  EXPECT_GT(allowed, kRounds / 100);
}

TEST(PolicyPropertyTest, CopyAndExportAllowStayInTemp) {
  TextGenerator gen(2);
  int copies = 0;
  int exports = 0;
  for (int i = 0; i < kRounds; ++i) {
    const std::u16string_view extension = gen.Pick(2) == 0 ? u".pdf" : u".PNG";
    const std::u16string source = gen.Next(gen.Pick(2) == 0 ? kTmp : u"D:", u"Job", extension);
    const std::u16string destination = gen.Next(gen.Pick(2) == 0 ? kTmp : u"E:", u"Out", extension);
    ASSERT_EQ(inv::FileCopy(source, destination, kTmp), "")
        << Printable(source) << " to " << Printable(destination);
    ASSERT_EQ(inv::FileExport(source, destination, kTmp), "")
        << Printable(source) << " to " << Printable(destination);
    copies += CheckFileCopy(source, destination, kTmp) == PolicyVerdict::Allow;
    exports += CheckFileExport(source, destination, kTmp) == PolicyVerdict::Allow;
  }
  EXPECT_GT(copies, kRounds / 100);
  EXPECT_GT(exports, kRounds / 100);
}

TEST(PolicyPropertyTest, ShellAndRegistryAllowKeepTheirPromises) {
  TextGenerator gen(3);
  int shellAllowed = 0;
  int keysAllowed = 0;
  for (int i = 0; i < kRounds; ++i) {
    const std::u16string target =
        gen.Next(gen.Pick(2) == 0 ? u"C:" : u"https://host", u"Docs", u".html");
    ASSERT_EQ(inv::ShellTarget(target), "") << Printable(target);
    shellAllowed += CheckShellTarget(target) == PolicyVerdict::Allow;

    const auto hive = static_cast<RegistryHive>(gen.Pick(3));
    const bool write = gen.Pick(2) == 0;
    const std::u16string key =
        gen.Next(gen.Pick(2) == 0 ? u"software\\corvane" : u"Software", u"CorVane", u"");
    ASSERT_EQ(inv::RegistryKey(hive, key, write), "")
        << HiveCode(hive) << " " << Printable(key) << " " << write;
    keysAllowed += CheckRegistryKey(hive, key, write) == PolicyVerdict::Allow;
  }
  EXPECT_GT(shellAllowed, kRounds / 100);
  EXPECT_GT(keysAllowed, kRounds / 100);
}

}  // namespace
}  // namespace corvane
