#include "registry/registry_values.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/registry/scratch_key.h"

namespace corvane {
namespace {

using namespace std::string_literals;
using namespace test;

TEST(RegistryReadString, ReadsStringsUnexpandedAndDefaultValue) {
  ScratchKey key;
  RawSetString(key.root(), key.path(), u"plain", u"hello");
  RawSetString(key.root(), key.path(), u"expand", u"%TEMP%\\x", REG_EXPAND_SZ);
  RawSetString(key.root(), key.path(), u"", u"default");

  std::u16string out;
  ASSERT_TRUE(RegistryReadString(kUser, key.path(), u"plain", out));
  EXPECT_EQ(out, u"hello");
  ASSERT_TRUE(RegistryReadString(kUser, key.path(), u"expand", out));
  EXPECT_EQ(out, u"%TEMP%\\x");
  ASSERT_TRUE(RegistryReadString(kUser, key.path(), u"", out));
  EXPECT_EQ(out, u"default");
}

TEST(RegistryReadString, TerminatesAtStoredLengthAndFirstNul) {
  ScratchKey key;
  const std::u16string embedded = u"ab\0cd"s;
  RawSet(key.root(), key.path(), u"embedded", REG_SZ, embedded.c_str(), (embedded.size() + 1) * 2);
  RawSet(key.root(), key.path(), u"unterminated", REG_SZ, u"abc", 6);
  RawSet(key.root(), key.path(), u"odd", REG_SZ, u"abc", 5);  // "ab" and half a unit
  RawSet(key.root(), key.path(), u"empty", REG_SZ, u"", 0);
  RawSet(key.root(), key.path(), u"terminator", REG_SZ, u"", 2);
  // Around the size one query reads whole, and well beyond it.
  const std::u16string fits(256, u'f'), over(257, u'o'), large(5001, u'l');
  RawSet(key.root(), key.path(), u"fits", REG_SZ, fits.c_str(), fits.size() * 2);
  RawSet(key.root(), key.path(), u"over", REG_SZ, over.c_str(), (over.size() + 1) * 2);
  RawSet(key.root(), key.path(), u"large", REG_EXPAND_SZ, large.c_str(), large.size() * 2 + 1);

  std::u16string out;
  ASSERT_TRUE(RegistryReadString(kUser, key.path(), u"fits", out));
  EXPECT_EQ(out, fits);
  ASSERT_TRUE(RegistryReadString(kUser, key.path(), u"over", out));
  EXPECT_EQ(out, over);
  ASSERT_TRUE(RegistryReadString(kUser, key.path(), u"large", out));
  EXPECT_EQ(out, large);
  ASSERT_TRUE(RegistryReadString(kUser, key.path(), u"embedded", out));
  EXPECT_EQ(out, u"ab");
  ASSERT_TRUE(RegistryReadString(kUser, key.path(), u"unterminated", out));
  EXPECT_EQ(out, u"abc");
  ASSERT_TRUE(RegistryReadString(kUser, key.path(), u"odd", out));
  EXPECT_EQ(out, u"ab");
  out = u"stale";
  ASSERT_TRUE(RegistryReadString(kUser, key.path(), u"empty", out));
  EXPECT_EQ(out, u"");
  out = u"stale";
  ASSERT_TRUE(RegistryReadString(kUser, key.path(), u"terminator", out));
  EXPECT_EQ(out, u"");
}

TEST(RegistryReadString, RefusesOtherTypesAndMissingValuesLeavingOutAlone) {
  ScratchKey key;
  RawSetDword(key.root(), key.path(), u"number", 5);
  RawSetString(key.root(), key.path(), u"multi", u"a\0b\0"s, REG_MULTI_SZ);
  RawSetString(key.root(), key.path(), u"long multi", std::u16string(600, u'm'), REG_MULTI_SZ);

  std::u16string out = u"untouched";
  EXPECT_FALSE(RegistryReadString(kUser, key.path(), u"number", out));
  EXPECT_FALSE(RegistryReadString(kUser, key.path(), u"multi", out));
  EXPECT_FALSE(RegistryReadString(kUser, key.path(), u"long multi", out));
  EXPECT_FALSE(RegistryReadString(kUser, key.path(), u"missing", out));
  EXPECT_FALSE(RegistryReadString(kUser, key.Sub(u"missing"), u"number", out));
  EXPECT_EQ(out, u"untouched");
}

TEST(RegistryWriteString, CreatesMissingKeysAndStoresEveryUnitPlusTerminator) {
  ScratchKey key;
  const std::u16string deep = key.Sub(u"a\\b\\c");
  ASSERT_TRUE(RegistryWriteString(kUser, deep, u"v", u"x\0y"s));
  const auto stored = RawGet(key.root(), deep, u"v");
  ASSERT_TRUE(stored.found);
  EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(stored.bytes, BytesOf(u"x\0y\0"s));

  ASSERT_TRUE(RegistryWriteString(kUser, deep, u"empty", u""));
  EXPECT_EQ(RawGet(key.root(), deep, u"empty").bytes, BytesOf(u"\0"s));

  ASSERT_TRUE(RegistryWriteString(kUser, key.path(), u"", u"default"));
  EXPECT_EQ(RawGet(key.root(), key.path(), u"").bytes, BytesOf(u"default\0"s));
}

TEST(RegistryWriteString, ReplacesAValueOfAnotherType) {
  ScratchKey key;
  RawSetDword(key.root(), key.path(), u"v", 7);
  ASSERT_TRUE(RegistryWriteString(kUser, key.path(), u"v", u"now text"));
  EXPECT_EQ(RawGet(key.root(), key.path(), u"v").type, static_cast<DWORD>(REG_SZ));

  ASSERT_TRUE(RegistryWriteDword(kUser, key.path(), u"v", 9));
  EXPECT_EQ(RawGet(key.root(), key.path(), u"v").type, static_cast<DWORD>(REG_DWORD));
}

TEST(RegistryKeyPaths, ForwardSlashesAreOrdinaryCharactersOfAName) {
  ScratchKey key;
  const std::u16string slashed = key.path() + u"\\a/b";
  ASSERT_TRUE(RegistryWriteString(kUser, slashed, u"v", u"1"));
  EXPECT_EQ(RawSubkeys(key.root(), key.path()), std::vector<std::u16string>{u"a/b"});
  EXPECT_FALSE(RawKeyExists(key.root(), key.Sub(u"a")));

  std::u16string out;
  ASSERT_TRUE(RegistryReadString(kUser, slashed, u"v", out));
  EXPECT_EQ(out, u"1");
  EXPECT_FALSE(RegistryKeyExists(kUser, key.Sub(u"a\\b")));
}

TEST(RegistryNumbers, WriteLittleEndianOfExactSizeAndType) {
  ScratchKey key;
  ASSERT_TRUE(RegistryWriteDword(kUser, key.Sub(u"new"), u"d", 0x01020304u));
  auto stored = RawGet(key.root(), key.Sub(u"new"), u"d");
  EXPECT_EQ(stored.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(stored.bytes, (std::vector<uint8_t>{4, 3, 2, 1}));

  ASSERT_TRUE(RegistryWriteQword(kUser, key.path(), u"q", 0x0102030405060708ull));
  stored = RawGet(key.root(), key.path(), u"q");
  EXPECT_EQ(stored.type, static_cast<DWORD>(REG_QWORD));
  EXPECT_EQ(stored.bytes, (std::vector<uint8_t>{8, 7, 6, 5, 4, 3, 2, 1}));
}

TEST(RegistryNumbers, ReadOnlyTheirOwnTypeAndSize) {
  ScratchKey key;
  RawSetDword(key.root(), key.path(), u"d", 0xFFFFFFFFu);
  const uint64_t big = 0xFFFFFFFFFFFFFFFFull;
  RawSet(key.root(), key.path(), u"q", REG_QWORD, &big, 8);
  RawSet(key.root(), key.path(), u"dword8", REG_DWORD, &big, 8);
  const uint32_t be = 5;
  RawSet(key.root(), key.path(), u"bigendian", REG_DWORD_BIG_ENDIAN, &be, 4);
  RawSetString(key.root(), key.path(), u"s", u"12");
  RawSetDword(key.root(), key.path(), u"", 42);

  uint32_t d = 0;
  ASSERT_TRUE(RegistryReadDword(kUser, key.path(), u"d", d));
  EXPECT_EQ(d, 0xFFFFFFFFu);
  ASSERT_TRUE(RegistryReadDword(kUser, key.path(), u"", d));
  EXPECT_EQ(d, 42u);
  d = 77;
  EXPECT_FALSE(RegistryReadDword(kUser, key.path(), u"dword8", d));
  EXPECT_FALSE(RegistryReadDword(kUser, key.path(), u"bigendian", d));
  EXPECT_FALSE(RegistryReadDword(kUser, key.path(), u"s", d));
  EXPECT_FALSE(RegistryReadDword(kUser, key.path(), u"q", d));
  EXPECT_FALSE(RegistryReadDword(kUser, key.path(), u"missing", d));
  EXPECT_FALSE(RegistryReadDword(kUser, key.Sub(u"missing"), u"d", d));
  EXPECT_EQ(d, 77u);

  uint64_t q = 0;
  ASSERT_TRUE(RegistryReadQword(kUser, key.path(), u"q", q));
  EXPECT_EQ(q, big);
  q = 77;
  EXPECT_FALSE(RegistryReadQword(kUser, key.path(), u"d", q));
  EXPECT_FALSE(RegistryReadQword(kUser, key.path(), u"s", q));
  EXPECT_FALSE(RegistryReadQword(kUser, key.path(), u"missing", q));
  EXPECT_EQ(q, 77u);
}

TEST(RegistryDeleteValue, MissingValueIsDeletedButMissingKeyIsNot) {
  ScratchKey key;
  RawSetString(key.root(), key.path(), u"v", u"x");
  RawSetString(key.root(), key.path(), u"", u"default");

  EXPECT_TRUE(RegistryDeleteValue(kUser, key.path(), u"v"));
  EXPECT_FALSE(RawGet(key.root(), key.path(), u"v").found);
  EXPECT_TRUE(RegistryDeleteValue(kUser, key.path(), u"v"));
  EXPECT_TRUE(RegistryDeleteValue(kUser, key.path(), u""));
  EXPECT_FALSE(RawGet(key.root(), key.path(), u"").found);
  EXPECT_FALSE(RegistryDeleteValue(kUser, key.Sub(u"missing"), u"v"));
  EXPECT_FALSE(RawKeyExists(key.root(), key.Sub(u"missing")));
}

TEST(RegistryDeleteKey, DeletesOnlyKeysWithoutSubkeys) {
  ScratchKey key;
  RawCreateKey(key.root(), key.Sub(u"parent\\child"));
  RawSetString(key.root(), key.Sub(u"leaf"), u"v", u"x");

  EXPECT_FALSE(RegistryDeleteKey(kUser, key.Sub(u"parent")));
  EXPECT_TRUE(RawKeyExists(key.root(), key.Sub(u"parent\\child")));

  EXPECT_TRUE(RegistryDeleteKey(kUser, key.Sub(u"leaf")));
  EXPECT_FALSE(RawKeyExists(key.root(), key.Sub(u"leaf")));
  EXPECT_TRUE(RegistryDeleteKey(kUser, key.Sub(u"leaf")));
}

TEST(RegistryDeleteTree, RemovesEverythingBelowAndTheKeyItself) {
  ScratchKey key;
  RawSetString(key.root(), key.Sub(u"tree"), u"v", u"x");
  RawSetDword(key.root(), key.Sub(u"tree\\a\\b"), u"d", 1);
  RawCreateKey(key.root(), key.Sub(u"tree\\c"));
  RawCreateKey(key.root(), key.Sub(u"sibling"));

  EXPECT_TRUE(RegistryDeleteTree(kUser, key.Sub(u"tree")));
  EXPECT_FALSE(RawKeyExists(key.root(), key.Sub(u"tree")));
  EXPECT_TRUE(RawKeyExists(key.root(), key.Sub(u"sibling")));
  EXPECT_TRUE(RegistryDeleteTree(kUser, key.Sub(u"tree")));
}

TEST(RegistryKeyExists, TellsPresentFromAbsent) {
  ScratchKey key;
  RawCreateKey(key.root(), key.Sub(u"here"));
  EXPECT_TRUE(RegistryKeyExists(kUser, key.Sub(u"here")));
  EXPECT_FALSE(RegistryKeyExists(kUser, key.Sub(u"there")));
}

TEST(RegistryHives, MachineHiveIsReadInItsOwnSixtyFourBitView) {
  if (!MachineSoftwareWritable()) GTEST_SKIP() << kNoMachineWrites;
  ScratchKey machine(HKEY_LOCAL_MACHINE);
  RawSetString(HKEY_LOCAL_MACHINE, machine.path(), u"v", u"machine");
  std::u16string out;
  ASSERT_TRUE(RegistryReadString(kMachine, machine.path(), u"v", out));
  EXPECT_EQ(out, u"machine");
  EXPECT_FALSE(RegistryKeyExists(kUser, machine.path()));

  // The 32-bit view is reached only through its explicit path.
  ScratchKey wow(HKEY_LOCAL_MACHINE, u"Software\\Wow6432Node\\Corvane");
  RawSetString(HKEY_LOCAL_MACHINE, wow.path(), u"v", u"wow");
  ASSERT_TRUE(RegistryReadString(kMachine, wow.path(), u"v", out));
  EXPECT_EQ(out, u"wow");
  EXPECT_FALSE(RegistryKeyExists(kMachine, u"Software\\Corvane\\" + wow.leaf()));
}

TEST(RegistryHives, UnknownHiveCodesUseTheCurrentUser) {
  ScratchKey key;
  RawSetString(key.root(), key.path(), u"v", u"user");
  std::u16string out;
  ASSERT_TRUE(RegistryReadString(static_cast<RegistryHive>(7), key.path(), u"v", out));
  EXPECT_EQ(out, u"user");
}

}  // namespace
}  // namespace corvane
