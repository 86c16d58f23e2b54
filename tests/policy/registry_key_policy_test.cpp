#include "policy/registry_key_policy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <string_view>

#include "policy/text_helpers.h"
#include "policy/verdict.h"
#include "protocol/hives.h"
#include "tests/policy/printable.h"

namespace corvane {
namespace {

using namespace std::string_view_literals;

TEST(VerdictTextTest, KnownCodesAndEverythingElse) {
  const struct {
    int32_t code;
    const char* text;
  } cases[] = {
      {0, "allow"},
      {1, "denied: unknown hive"},
      {2, "denied: outside Corvane subtree"},
      {3, "denied: malformed key"},
      {4, "denied: write to read-only hive"},
      {5, "denied"},
      {-1, "denied"},
      {INT32_MIN, "denied"},
      {INT32_MAX, "denied"},
  };
  for (const auto& c : cases) {
    EXPECT_STREQ(VerdictText(c.code), c.text) << c.code;
  }
  EXPECT_STREQ(VerdictText(PolicyVerdict::WriteToReadOnlyHive), "denied: write to read-only hive");
}

TEST(TextHelpersTest, NormalizeSeparators) {
  const struct {
    std::u16string_view in, out;
  } cases[] = {
      {u"", u""},
      {u"\\", u""},
      {u"/\\/", u""},
      {u"a", u"a"},
      {u"software/corvane//x/", u"software\\corvane\\x"},
      {u"\\\\server\\share", u"server\\share"},
      {u"a\\/\\/b", u"a\\b"},
      {u"a\\", u"a"},
      {u"a\\.\\", u"a\\."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NormalizeSeparators(c.in), c.out) << Printable(c.in);
  }
  // U+0000 is an ordinary unit and survives.
  EXPECT_EQ(NormalizeSeparators(u"a\0/b"sv), u"a\0\\b"sv);
}

TEST(TextHelpersTest, AsciiLowerFoldsOnlyAToZ) {
  // "@" and "[" sit right next to "A" and "Z".
  EXPECT_EQ(AsciiLower(u"@AZ[`az{"), u"@az[`az{");
  EXPECT_EQ(AsciiLower(u"\u00C4\uFF23\u0130"), u"\u00C4\uFF23\u0130");
  EXPECT_EQ(AsciiLower(u"A\0B"sv), u"a\0b"sv);
}

TEST(TextHelpersTest, HasTraversal) {
  const struct {
    std::u16string_view text;
    bool traversal;
  } cases[] = {
      {u"..", true},   {u"..\\a", true}, {u"a\\..", true},      {u"a\\..\\b", true},
      {u".", false},   {u"...", false},  {u"a\\...\\b", false}, {u"a..b", false},
      {u"..a", false}, {u"a..", false},  {u"a\\..b\\c", false}, {u"a\\b..\\c", false},
      {u"", false},    {u".\\a", false}, {u"a\\.", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HasTraversal(c.text), c.traversal) << Printable(c.text);
  }
}

constexpr RegistryHive kCu = RegistryHive::CurrentUser;
constexpr RegistryHive kLm = RegistryHive::LocalMachine;

// A code no hive has, as it may come off the wire.
constexpr RegistryHive Unassigned(int32_t code) {
  return static_cast<RegistryHive>(code);
}

struct KeyCase {
  RegistryHive hive;
  std::u16string_view key;
  bool write;
  PolicyVerdict verdict;
};

void ExpectKeyVerdicts(const KeyCase* begin, const KeyCase* end) {
  for (const KeyCase* c = begin; c != end; ++c) {
    EXPECT_EQ(CheckRegistryKey(c->hive, c->key, c->write), c->verdict)
        << "hive " << HiveCode(c->hive) << " key '" << Printable(c->key) << "' write " << c->write;
  }
}

TEST(CheckRegistryKeyTest, CurrentUserRoots) {
  const KeyCase cases[] = {
      {kCu, u"Software\\Corvane\\Settings", false, PolicyVerdict::Allow},
      {kCu, u"software/corvane//x/", true, PolicyVerdict::Allow},
      {kCu, u"\\software\\corvane", true, PolicyVerdict::Allow},
      {kCu, u"corvane", true, PolicyVerdict::Allow},
      {kCu, u"CORVANE\\sub", false, PolicyVerdict::Allow},
      {kCu, u"software\\corvane\\...\\x", true, PolicyVerdict::Allow},
      {kCu, u"software\\corvane\\.", false, PolicyVerdict::Allow},
      {kCu, u"software\\corvanex", false, PolicyVerdict::OutsideSubtree},
      {kCu, u"corvanex\\a", false, PolicyVerdict::OutsideSubtree},
      {kCu, u"software", false, PolicyVerdict::OutsideSubtree},
      {kCu, u"software\\corvan", false, PolicyVerdict::OutsideSubtree},
      {kCu, u"x\\software\\corvane", false, PolicyVerdict::OutsideSubtree},
      {kCu, u"software\\wow6432node\\corvane", false, PolicyVerdict::OutsideSubtree},
      // Fullwidth letters are not folded and never match a root.
      {kCu, u"\uFF43orvane", false, PolicyVerdict::OutsideSubtree},
      {kCu, u"software\\corvan\uFF45", false, PolicyVerdict::OutsideSubtree},
  };
  ExpectKeyVerdicts(std::begin(cases), std::end(cases));
}

TEST(CheckRegistryKeyTest, LocalMachineIsReadOnly) {
  const KeyCase cases[] = {
      {kLm, u"software\\wow6432node\\corvane\\x", false, PolicyVerdict::Allow},
      {kLm, u"SOFTWARE\\Corvane", false, PolicyVerdict::Allow},
      {kLm, u"corvane", false, PolicyVerdict::OutsideSubtree},
      {kLm, u"software\\wow6432node", false, PolicyVerdict::OutsideSubtree},
      {kLm, u"software\\corvane", true, PolicyVerdict::WriteToReadOnlyHive},
      {kLm, u"system", true, PolicyVerdict::WriteToReadOnlyHive},
      // The shape tests still come first.
      {kLm, u"..", true, PolicyVerdict::Malformed},
  };
  ExpectKeyVerdicts(std::begin(cases), std::end(cases));
}

TEST(CheckRegistryKeyTest, MalformedKeys) {
  const KeyCase cases[] = {
      {kCu, u"", false, PolicyVerdict::Malformed},
      {kCu, u"\\", false, PolicyVerdict::Malformed},
      {kCu, u"//", false, PolicyVerdict::Malformed},
      {kCu, u"/\\/", false, PolicyVerdict::Malformed},
      {kCu, u"\0"sv, false, PolicyVerdict::Malformed},
      {kCu, u"software\\corvane\\x\0"sv, false, PolicyVerdict::Malformed},
      {kCu, u"software\\corvane\0\\x"sv, false, PolicyVerdict::Malformed},
      {kCu, u"..", false, PolicyVerdict::Malformed},
      {kCu, u"..\\software\\corvane", false, PolicyVerdict::Malformed},
      {kCu, u"software\\corvane\\..\\x", false, PolicyVerdict::Malformed},
      {kCu, u"software\\corvane\\..", false, PolicyVerdict::Malformed},
      {kCu, u"software/corvane/../x", false, PolicyVerdict::Malformed},
      {kCu, u"corvane//..//", false, PolicyVerdict::Malformed},
  };
  ExpectKeyVerdicts(std::begin(cases), std::end(cases));
}

TEST(CheckRegistryKeyTest, UnknownHiveAfterShapeTests) {
  const KeyCase cases[] = {
      {Unassigned(7), u"software\\corvane", false, PolicyVerdict::UnknownHive},
      {Unassigned(-1), u"corvane", true, PolicyVerdict::UnknownHive},
      {Unassigned(2), u"software\\corvane", false, PolicyVerdict::UnknownHive},
      {Unassigned(INT32_MIN), u"x", false, PolicyVerdict::UnknownHive},
      {Unassigned(7), u"", false, PolicyVerdict::Malformed},
      {Unassigned(7), u"a\\..", false, PolicyVerdict::Malformed},
  };
  ExpectKeyVerdicts(std::begin(cases), std::end(cases));
}

// The registry cuts longer texts and refuses longer names; a cut text names
// another key than the one judged ("software" + a run of separators +
// "corvane" once reached HKCU\Software itself). Lengths count the text the
// registry receives, after normalising.
TEST(CheckRegistryKeyTest, LengthsTheRegistryTakesWhole) {
  const auto deep = [](size_t units) {
    std::u16string key = u"corvane";
    while (key.size() < units) {
      key += u'\\';
      key.append(std::min<size_t>(kMaxRegistryKeyName, units - key.size()), u'n');
    }
    return key;
  };
  const std::u16string name255(kMaxRegistryKeyName, u'n');
  EXPECT_EQ(CheckRegistryKey(kCu, u"corvane\\" + name255, true), PolicyVerdict::Allow);
  EXPECT_EQ(CheckRegistryKey(kCu, u"corvane\\" + name255 + u"n", true), PolicyVerdict::Malformed);
  EXPECT_EQ(CheckRegistryKey(kCu, deep(kMaxRegistryKeyText), true), PolicyVerdict::Allow);
  EXPECT_EQ(CheckRegistryKey(kCu, deep(kMaxRegistryKeyText + 1), true), PolicyVerdict::Malformed);
  EXPECT_EQ(CheckRegistryKey(kLm, u"software\\" + deep(kMaxRegistryKeyText), false),
            PolicyVerdict::Malformed);
  // Separators that normalising removes do not count.
  const std::u16string spread = u"software" + std::u16string(32758, u'\\') + u"corvane";
  EXPECT_EQ(JudgeRegistryKey(kCu, spread, true).text, u"software\\corvane");
}

TEST(JudgeRegistryKeyTest, TheRegistryGetsTheJudgedTextInTheRequestsCase) {
  const struct {
    std::u16string_view key, text;
  } cases[] = {
      {u"Software\\Corvane\\Lead", u"Software\\Corvane\\Lead"},
      {u"\\software\\corvane\\lead", u"software\\corvane\\lead"},
      {u"software/corvane", u"software\\corvane"},
      {u"Corvane/x//Y/", u"Corvane\\x\\Y"},
      {u"software\\corvane/evil", u"software\\corvane\\evil"},
  };
  for (const auto& c : cases) {
    const JudgedKey judged = JudgeRegistryKey(kCu, c.key, true);
    EXPECT_EQ(judged.verdict, PolicyVerdict::Allow) << Printable(c.key);
    EXPECT_EQ(judged.text, c.text) << Printable(c.key);
  }
  for (const JudgedKey& refused : {JudgeRegistryKey(kCu, u"software/other", false),
                                   JudgeRegistryKey(kLm, u"software/corvane", true)}) {
    EXPECT_NE(refused.verdict, PolicyVerdict::Allow);
    EXPECT_EQ(refused.text, u"");
  }
}

TEST(IsValidValueNameTest, RefusesSeparatorsAndNul) {
  EXPECT_TRUE(IsValidValueName(u""));
  EXPECT_TRUE(IsValidValueName(u"Window Pos.x"));
  EXPECT_TRUE(IsValidValueName(u".."));
  EXPECT_FALSE(IsValidValueName(u"a\\b"));
  EXPECT_FALSE(IsValidValueName(u"a/b"));
  EXPECT_FALSE(IsValidValueName(u"\0"sv));
  EXPECT_FALSE(IsValidValueName(u"ab\0"sv));
  EXPECT_TRUE(IsValidValueName(std::u16string(kMaxRegistryValueName, u'v')));
  EXPECT_FALSE(IsValidValueName(std::u16string(kMaxRegistryValueName + 1, u'v')));
}

}  // namespace
}  // namespace corvane
