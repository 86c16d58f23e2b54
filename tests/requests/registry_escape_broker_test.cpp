// The registry requests a hostile plug-in used to reach keys outside the
// Corvane subtree, sent raw through the real broker process. The registry
// outside the subtree is recorded before and after and must not change; what
// the requests did inside it is read back directly.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "policy/registry_key_policy.h"
#include "protocol/operations.h"
#include "registry/registry_values.h"
#include "tests/registry/scratch_key.h"
#include "tests/support/broker_suite.h"

namespace corvane {
namespace {

using test::RawGet;
using test::RawSetString;
using test::RawSubkeys;
using test::ScratchKey;
using test::W;

using test::Reply;
using enum BrokerOperation;
using enum BrokerStatus;

// "software" + 32,758 "\" + "corvane": 32,773 units that Wine's registry once
// cut and read as HKCU\Software.
const std::u16string kSpread = u"software" + std::u16string(32758, u'\\') + u"corvane";

// Every key and value of HKCU but the Corvane roots: path -> name -> type, data.
using Values = std::map<std::u16string, std::pair<DWORD, std::vector<uint8_t>>>;
using Snapshot = std::map<std::u16string, Values>;

void Record(HKEY root, const std::u16string& path, Snapshot& out) {
  if (_wcsicmp(W(path), L"Software\\Corvane") == 0 || _wcsicmp(W(path), L"Corvane") == 0) return;
  auto& values = out[path];
  for (const auto& name : test::RawValueNames(root, path)) {
    const test::RawValue value = RawGet(root, path, name);
    values[name] = {value.type, value.bytes};
  }
  for (const auto& child : RawSubkeys(root, path)) {
    Record(root, path.empty() ? child : path + u"\\" + child, out);
  }
}

class RegistryEscape : public test::BrokerSuite {
 protected:
  void SetUp() override { Record(HKEY_CURRENT_USER, u"", before_); }
  void TearDown() override {
    Snapshot after;
    Record(HKEY_CURRENT_USER, u"", after);
    for (const auto& [path, values] : after) {
      EXPECT_TRUE(before_.count(path)) << "created outside the subtree: " << Narrow(path);
    }
    for (const auto& [path, values] : before_) {
      const auto found = after.find(path);
      if (found == after.end()) {
        ADD_FAILURE() << "deleted outside the subtree: " << Narrow(path);
      } else if (found->second != values) {
        ADD_FAILURE() << "values changed outside the subtree: " << Narrow(path);
      }
    }
    // The broker is still there.
    EXPECT_EQ(Send(Ping, u"").status, Ok);
  }

  static std::string Narrow(const std::u16string& text) {
    return std::string(text.begin(),
                       text.begin() + static_cast<long>(std::min<size_t>(text.size(), 80)));
  }

  ScratchKey key;  // Software\Corvane\test-...

 private:
  Snapshot before_;
};

TEST_F(RegistryEscape, OverlongSpellingsActOnTheKeyTheCheckSaw) {
  RawSetString(key.root(), key.Sub(u"tree\\x"), u"v", u"1");

  // The listing is of Software\Corvane, not of HKCU\Software.
  const Reply list = Send(ListSubkeys, kSpread);
  ASSERT_EQ(list.status, Ok);
  EXPECT_NE(list.text.find(key.leaf() + u'\0'), std::u16string::npos);
  EXPECT_EQ(list.text.find(u"Wine"), std::u16string::npos);
  EXPECT_EQ(
      Send(ListSubkeys, kSpread, u"", u"", RegistryHive::LocalMachine).text.find(u"Microsoft"),
      std::u16string::npos);

  // A delete-tree removes only the key it names.
  EXPECT_EQ(Send(DeleteKeyTree, kSpread + u"\\" + key.leaf() + u"\\tree").status, Ok);
  EXPECT_FALSE(test::RawKeyExists(key.root(), key.Sub(u"tree")));
  EXPECT_TRUE(test::RawKeyExists(key.root(), key.path()));

  // A copy lands below the destination it names; the autostart key outside
  // is untouched (the snapshot in TearDown checks every key outside).
  const std::u16string run = u"Microsoft\\Windows\\CurrentVersion\\Run";
  RawSetString(key.root(), key.Sub(u"payload\\" + run), u"corvane-planted", u"x.exe");
  EXPECT_EQ(Send(CopyKeyTree, key.Sub(u"payload"), kSpread + u"\\" + key.leaf() + u"\\copy").status,
            Ok);
  EXPECT_TRUE(RawGet(key.root(), key.Sub(u"copy\\" + run), u"corvane-planted").found);

  // As a copy source the spelling names an ancestor of the destination: the
  // copy would never end, so it is refused instead of crashing the broker.
  EXPECT_EQ(Send(CopyKeyTree, kSpread, key.Sub(u"inner")).status, NotFound);
  EXPECT_FALSE(test::RawKeyExists(key.root(), key.Sub(u"inner")));
}

TEST_F(RegistryEscape, KeysLongerThanTheRegistryTakesAreMalformed) {
  // Exactly the longest text the registry takes whole still works.
  std::u16string deep = key.path();
  while (deep.size() < kMaxRegistryKeyText) {
    deep += u'\\';
    deep.append(std::min<size_t>(kMaxRegistryKeyName, kMaxRegistryKeyText - deep.size()), u'k');
  }
  ASSERT_EQ(deep.size(), kMaxRegistryKeyText);
  EXPECT_EQ(Send(WriteString, deep, u"v", u"deep").status, Ok);
  EXPECT_TRUE(RawGet(key.root(), deep, u"v").found);
  EXPECT_EQ(Send(WriteString, deep + u"k", u"v", u"1").status, Denied);
  EXPECT_EQ(
      Send(ReadString, u"software\\" + deep.substr(9) + u"k", u"v", u"", RegistryHive::LocalMachine)
          .status,
      Denied);
  EXPECT_EQ(
      Send(WriteString, key.Sub(std::u16string(kMaxRegistryKeyName + 1, u'n')), u"v", u"1").status,
      Denied);
  EXPECT_EQ(Send(DeleteKeyTree, deep).status, Ok);
}

TEST_F(RegistryEscape, SlashesSeparateAsTheCheckReadThem) {
  const std::u16string leaf = key.leaf();
  EXPECT_EQ(Send(WriteString, u"software/corvane/" + leaf + u"/a", u"v", u"1").status, Ok);
  EXPECT_TRUE(RawGet(key.root(), key.Sub(u"a"), u"v").found);
  EXPECT_EQ(Send(WriteString, u"software\\corvane/" + leaf + u"/evil/", u"v", u"1").status, Ok);
  EXPECT_TRUE(RawGet(key.root(), key.Sub(u"evil"), u"v").found);
  EXPECT_EQ(Send(WriteString, u"\\software\\corvane\\" + leaf + u"\\lead", u"v", u"1").status, Ok);
  EXPECT_TRUE(RawGet(key.root(), key.Sub(u"lead"), u"v").found);
  EXPECT_EQ(Send(CopyKeyTree, key.Sub(u"a"), u"Software/Corvane/" + leaf + u"/b").status, Ok);
  EXPECT_TRUE(RawGet(key.root(), key.Sub(u"b"), u"v").found);
  EXPECT_EQ(Send(ReadString, u"SOFTWARE//CORVANE//" + leaf + u"//B", u"v").text, u"1");

  // "corvane/x" is the top-level root "corvane" and its subkey.
  ScratchKey top(HKEY_CURRENT_USER, u"Corvane");
  EXPECT_EQ(Send(WriteString, u"corvane/" + top.leaf(), u"v", u"1").status, Ok);
  EXPECT_TRUE(RawGet(top.root(), top.path(), u"v").found);
  for (const auto& name : RawSubkeys(HKEY_CURRENT_USER, u"")) {
    EXPECT_EQ(name.find(u'/'), std::u16string::npos) << Narrow(name);
  }
  for (const auto& name : RawSubkeys(HKEY_CURRENT_USER, u"Software")) {
    EXPECT_EQ(name.find(u'/'), std::u16string::npos) << Narrow(name);
  }
}

TEST_F(RegistryEscape, ValueDataHasABound) {
  const size_t longest = kMaxValueDataBytes / 2 - 1;  // units, plus the terminator
  EXPECT_EQ(Send(WriteString, key.Sub(u"big"), u"v", std::u16string(longest, u'd')).status, Ok);
  EXPECT_EQ(RawGet(key.root(), key.Sub(u"big"), u"v").bytes.size(), kMaxValueDataBytes);
  EXPECT_EQ(Send(WriteString, key.Sub(u"big"), u"v", std::u16string(longest + 1, u'd')).status,
            Failed);
  EXPECT_EQ(RawGet(key.root(), key.Sub(u"big"), u"v").bytes.size(), kMaxValueDataBytes);
  EXPECT_EQ(Send(WriteString, key.Sub(u"huge"), u"v", std::u16string(16000000, u'd')).status,
            Failed);
  EXPECT_FALSE(test::RawKeyExists(key.root(), key.Sub(u"huge")));
}

}  // namespace
}  // namespace corvane
