#include "registry/registry_enum.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/registry/scratch_key.h"

namespace corvane {
namespace {

using namespace std::string_literals;
using namespace test;

TEST(RegistryListSubkeys, ListsDirectChildrenInEnumerationOrder) {
  ScratchKey key;
  RawCreateKey(key.root(), key.Sub(u"A\\grandchild"));
  RawCreateKey(key.root(), key.Sub(u"B"));
  RawSetString(key.root(), key.path(), u"value", u"not a key");

  std::vector<std::u16string> list;
  ASSERT_TRUE(RegistryListSubkeys(kUser, key.path(), list));
  EXPECT_EQ(list, RawSubkeys(key.root(), key.path()));
  EXPECT_EQ(list.size(), 2u);
}

TEST(RegistryListSubkeys, AppendsAndCopesWithEmptyAndMissingKeys) {
  ScratchKey key;
  RawCreateKey(key.root(), key.Sub(u"empty"));
  const std::u16string longest(255, u'k');
  RawCreateKey(key.root(), key.Sub(u"long\\" + longest));

  std::vector<std::u16string> list = {u"earlier"};
  ASSERT_TRUE(RegistryListSubkeys(kUser, key.Sub(u"empty"), list));
  EXPECT_EQ(list, std::vector<std::u16string>{u"earlier"});
  EXPECT_FALSE(RegistryListSubkeys(kUser, key.Sub(u"missing"), list));
  EXPECT_EQ(list, std::vector<std::u16string>{u"earlier"});

  list.clear();
  ASSERT_TRUE(RegistryListSubkeys(kUser, key.Sub(u"long"), list));
  EXPECT_EQ(list, std::vector<std::u16string>{longest});
}

TEST(RegistryListValues, GivesStringTextsAndEmptyTextForOtherTypes) {
  ScratchKey key;
  RawSetString(key.root(), key.path(), u"", u"default");
  RawSetDword(key.root(), key.path(), u"dword", 5);
  RawSetString(key.root(), key.path(), u"sz", u"text");
  RawSetString(key.root(), key.path(), u"expand", u"%TEMP%\\x", REG_EXPAND_SZ);
  RawSetString(key.root(), key.path(), u"multi", u"a\0b\0"s, REG_MULTI_SZ);
  const uint8_t binary[] = {'h', 0, 'i', 0, 0, 0};
  RawSet(key.root(), key.path(), u"binary", REG_BINARY, binary, sizeof(binary));
  const std::u16string embedded = u"cut\0off"s;
  RawSet(key.root(), key.path(), u"embedded", REG_SZ, embedded.c_str(), (embedded.size() + 1) * 2);

  std::vector<ValueEntry> list;
  ASSERT_TRUE(RegistryListValues(kUser, key.path(), list));
  ASSERT_EQ(list.size(), 7u);
  auto find = [&](const std::u16string& name) -> const ValueEntry* {
    for (const auto& e : list)
      if (e.name == name) return &e;
    return nullptr;
  };
  const std::vector<ValueEntry> expected = {
      {u"", u"default"}, {u"dword", u""},  {u"sz", u"text"},     {u"expand", u"%TEMP%\\x"},
      {u"multi", u""},   {u"binary", u""}, {u"embedded", u"cut"}};
  for (const auto& e : expected) {
    const ValueEntry* found = find(e.name);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->text, e.text);
  }
}

TEST(RegistryListValues, AppendsAndCopesWithEmptyMissingAndLongestNames) {
  ScratchKey key;
  RawCreateKey(key.root(), key.Sub(u"empty\\child"));
  const std::u16string longest(16383, u'v');
  RawSetString(key.root(), key.Sub(u"long"), longest, u"far");

  std::vector<ValueEntry> list = {{u"earlier", u"x"}};
  ASSERT_TRUE(RegistryListValues(kUser, key.Sub(u"empty"), list));
  EXPECT_EQ(list.size(), 1u);
  EXPECT_FALSE(RegistryListValues(kUser, key.Sub(u"missing"), list));
  EXPECT_EQ(list.size(), 1u);

  list.clear();
  ASSERT_TRUE(RegistryListValues(kUser, key.Sub(u"long"), list));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].name, longest);
  EXPECT_EQ(list[0].text, u"far");
}

TEST(RegistryCopyTree, CreatesTheDestinationWithTheWholeSubtree) {
  ScratchKey key;
  RawSetString(key.root(), key.Sub(u"src"), u"top", u"1");
  RawSetDword(key.root(), key.Sub(u"src\\a\\b"), u"deep", 2);

  ASSERT_TRUE(RegistryCopyTree(kUser, key.Sub(u"src"), key.Sub(u"dst\\new")));
  EXPECT_EQ(RawGet(key.root(), key.Sub(u"dst\\new"), u"top").bytes, test::BytesOf(u"1\0"s));
  EXPECT_EQ(RawGet(key.root(), key.Sub(u"dst\\new\\a\\b"), u"deep").type,
            static_cast<DWORD>(REG_DWORD));
  EXPECT_TRUE(RawGet(key.root(), key.Sub(u"src\\a\\b"), u"deep").found);
}

TEST(RegistryCopyTree, CopiesEveryValueAsStoredAtEveryDepth) {
  ScratchKey key;
  const uint8_t binary[] = {0, 1, 2, 0xFF};
  const uint64_t qword = 0x0102030405060708ull;
  std::u16string deep = u"src";
  for (int level = 0; level < 100; ++level) deep += u"\\d";
  for (const std::u16string& path : {key.Sub(u"src"), key.Sub(deep)}) {
    RawSetString(key.root(), path, u"", u"default");
    RawSetString(key.root(), path, u"expand", u"%TEMP%", REG_EXPAND_SZ);
    RawSetString(key.root(), path, u"multi", u"a\0b\0"s, REG_MULTI_SZ);
    RawSet(key.root(), path, u"binary", REG_BINARY, binary, sizeof(binary));
    RawSet(key.root(), path, u"empty", REG_BINARY, nullptr, 0);
    RawSet(key.root(), path, u"qword", REG_QWORD, &qword, sizeof(qword));
  }

  ASSERT_TRUE(RegistryCopyTree(kUser, key.Sub(u"src"), key.Sub(u"dst")));
  const std::u16string copied = u"dst" + deep.substr(3);
  for (const std::u16string& name : test::RawValueNames(key.root(), key.Sub(deep))) {
    const auto from = RawGet(key.root(), key.Sub(deep), name);
    const auto to = RawGet(key.root(), key.Sub(copied), name);
    EXPECT_TRUE(to.found);
    EXPECT_EQ(to.type, from.type);
    EXPECT_EQ(to.bytes, from.bytes);
  }
  EXPECT_EQ(test::RawValueNames(key.root(), key.Sub(copied)).size(), 6u);
  EXPECT_EQ(RawGet(key.root(), key.Sub(u"dst"), u"empty").bytes, std::vector<uint8_t>{});
}

TEST(RegistryCopyTree, KeepsWhatTheDestinationHeld) {
  ScratchKey key;
  RawSetString(key.root(), key.Sub(u"src"), u"shared", u"from source");
  RawSetString(key.root(), key.Sub(u"dst"), u"shared", u"old");
  RawSetString(key.root(), key.Sub(u"dst"), u"own", u"kept");
  RawCreateKey(key.root(), key.Sub(u"dst\\ownchild"));

  ASSERT_TRUE(RegistryCopyTree(kUser, key.Sub(u"src"), key.Sub(u"dst")));
  EXPECT_EQ(RawGet(key.root(), key.Sub(u"dst"), u"shared").bytes, test::BytesOf(u"from source\0"s));
  EXPECT_TRUE(RawGet(key.root(), key.Sub(u"dst"), u"own").found);
  EXPECT_TRUE(RawKeyExists(key.root(), key.Sub(u"dst\\ownchild")));
}

TEST(RegistryCopyTree, MissingSourceLeavesTheDestinationAlone) {
  ScratchKey key;
  EXPECT_FALSE(RegistryCopyTree(kUser, key.Sub(u"missing"), key.Sub(u"dst")));
  EXPECT_FALSE(RawKeyExists(key.root(), key.Sub(u"dst")));

  RawSetString(key.root(), key.Sub(u"existing"), u"v", u"same");
  EXPECT_FALSE(RegistryCopyTree(kUser, key.Sub(u"missing"), key.Sub(u"existing")));
  EXPECT_EQ(RawGet(key.root(), key.Sub(u"existing"), u"v").bytes, test::BytesOf(u"same\0"s));
}

TEST(RegistryCopyTree, RefusesADestinationInsideTheSource) {
  ScratchKey key;
  RawSetString(key.root(), key.Sub(u"src"), u"v", u"x");
  RawCreateKey(key.root(), key.Sub(u"src\\child"));

  EXPECT_FALSE(RegistryCopyTree(kUser, key.Sub(u"src"), key.Sub(u"src\\in")));
  EXPECT_FALSE(RegistryCopyTree(kUser, key.Sub(u"src"), key.Sub(u"SRC\\\\child\\deeper\\")));
  EXPECT_EQ(RawSubkeys(key.root(), key.Sub(u"src")), std::vector<std::u16string>{u"child"});
  EXPECT_FALSE(RawKeyExists(key.root(), key.Sub(u"src\\child\\deeper")));

  // Beside the source, or onto itself, the copy goes ahead.
  EXPECT_TRUE(RegistryCopyTree(kUser, key.Sub(u"src"), key.Sub(u"src/copy")));
  EXPECT_TRUE(RawGet(key.root(), key.Sub(u"src/copy"), u"v").found);
  EXPECT_TRUE(RegistryCopyTree(kUser, key.Sub(u"src"), key.Sub(u"Src")));
  EXPECT_EQ(RawSubkeys(key.root(), key.Sub(u"src")), std::vector<std::u16string>{u"child"});
}

TEST(RegistryCopyTree, ComparesKeyNamesIgnoringCaseBeyondAscii) {
  ScratchKey key;
  RawCreateKey(key.root(), key.Sub(u"\u00C4pfel"));
  EXPECT_FALSE(RegistryCopyTree(kUser, key.Sub(u"\u00C4pfel"), key.Sub(u"\u00E4pfel\\in")));
  EXPECT_EQ(RawSubkeys(key.root(), key.Sub(u"\u00C4pfel")), std::vector<std::u16string>{});
}

}  // namespace
}  // namespace corvane
