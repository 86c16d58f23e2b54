// Registry links planted below the Corvane subtree, pointing at a key
// outside it, sent every registry request through the real broker process.
// Nothing may be read, written, created or deleted through a link: the
// target is compared whole before and after, directly.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>

#include "policy/registry_key_policy.h"
#include "protocol/operations.h"
#include "tests/registry/planted_link.h"
#include "tests/registry/scratch_key.h"
#include "tests/support/broker_suite.h"

namespace corvane {
namespace {

using test::PlantedLink;
using test::RawKeyExists;
using test::RawSetDword;
using test::RawSetString;
using test::ScratchKey;
using test::VictimKey;

using enum BrokerStatus;

// Paths are below a fresh scratch key laid out as:
//   link             -> Software\Victim
//   plain            a plain key with a value
//   tree\link        -> Software\Victim
//   tree\plain       a plain key with a value
//   tree\plain\link -> Software\Victim
//   src\link         a plain key with a value, named like tree's link
struct Case {
  const char* what;
  BrokerOperation operation;
  std::u16string path;
  std::u16string name;  // a value's name, or a copy's destination below the scratch key
  std::u16string data;
  BrokerStatus status;
  std::u16string absentAfter;  // below the scratch key; empty for none
};

const Case kCases[] = {
    // Reads through a link, at the end of the path or in its middle.
    {"list subkeys", BrokerOperation::ListSubkeys, u"link", u"", u"", Denied, u""},
    {"list values", BrokerOperation::ListValues, u"link", u"", u"", Denied, u""},
    {"read string", BrokerOperation::ReadString, u"link", u"secret", u"", Denied, u""},
    {"read dword", BrokerOperation::ReadDword, u"link", u"number", u"", Denied, u""},
    {"key exists", BrokerOperation::KeyExists, u"link", u"", u"", Denied, u""},
    {"read below", BrokerOperation::ReadString, u"link\\deeper", u"inner", u"", Denied, u""},
    // Writes and deletes through a link.
    {"write string", BrokerOperation::WriteString, u"link", u"secret", u"x", Denied, u""},
    {"create below", BrokerOperation::WriteString, u"link\\new", u"v", u"x", Denied, u""},
    {"write below", BrokerOperation::WriteString, u"link\\deeper", u"inner", u"x", Denied, u""},
    {"delete value", BrokerOperation::DeleteValue, u"link", u"secret", u"", Denied, u""},
    {"delete key", BrokerOperation::DeleteKey, u"link", u"", u"", Denied, u""},
    {"delete tree", BrokerOperation::DeleteKeyTree, u"link", u"", u"", Denied, u""},
    {"delete tree below", BrokerOperation::DeleteKeyTree, u"link\\deeper", u"", u"", Denied, u""},
    // A tree holding a link goes whole, the link as the key it is.
    {"delete tree holding a link", BrokerOperation::DeleteKeyTree, u"tree", u"", u"", Ok, u"tree"},
    // Copies from, to and through links; a link is never copied.
    {"copy from a link", BrokerOperation::CopyKeyTree, u"link", u"copy", u"", Denied, u"copy"},
    {"copy from below a link", BrokerOperation::CopyKeyTree, u"link\\deeper", u"copy", u"", Denied,
     u"copy"},
    {"copy onto a link", BrokerOperation::CopyKeyTree, u"plain", u"link", u"", Denied, u""},
    {"copy below a link", BrokerOperation::CopyKeyTree, u"plain", u"link\\new", u"", Denied, u""},
    {"copy a tree holding a link", BrokerOperation::CopyKeyTree, u"tree", u"copy", u"", Denied,
     u"copy\\link"},
    {"copy into a tree holding a link", BrokerOperation::CopyKeyTree, u"src", u"tree", u"", Denied,
     u""},
};

using RegistryLinks = test::BrokerSuite;

TEST_F(RegistryLinks, NothingReachesTheKeyALinkLeadsTo) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    VictimKey victim;
    const test::TreeContent before = victim.Content();
    ScratchKey key;
    RawSetString(key.root(), key.Sub(u"plain"), u"own", u"mine");
    RawSetString(key.root(), key.Sub(u"tree\\plain"), u"own", u"mine");
    RawSetString(key.root(), key.Sub(u"src\\link"), u"planted", u"x");
    // Destroyed before the scratch key, whose removal would follow them.
    PlantedLink link(key.Sub(u"link"), VictimKey::kPath);
    PlantedLink inTree(key.Sub(u"tree\\link"), VictimKey::kPath);
    PlantedLink deepInTree(key.Sub(u"tree\\plain\\link"), VictimKey::kPath);

    const bool copy = c.operation == BrokerOperation::CopyKeyTree;
    EXPECT_EQ(Send(c.operation, key.Sub(c.path), copy ? key.Sub(c.name) : c.name, c.data).status,
              c.status);
    EXPECT_EQ(victim.Content(), before);
    if (!c.absentAfter.empty()) {
      EXPECT_FALSE(RawKeyExists(key.root(), key.Sub(c.absentAfter)));
    }
  }
  // The broker is still there.
  EXPECT_EQ(Send(BrokerOperation::Ping, u"").status, Ok);
}

// The whole content below a key of the scratch tree, or none when it is missing.
std::optional<test::TreeContent> ContentOf(const ScratchKey& key, const std::u16string& path) {
  if (!RawKeyExists(key.root(), key.Sub(path))) return std::nullopt;
  test::TreeContent content;
  test::RecordTree(key.root(), key.Sub(path), u"", content);
  return content;
}

// A copy refused for a link leaves the destination as it was, missing or not,
// wherever the link lies on the copy's way; without one the whole source
// lands on what the destination held. The source holds src\a\b and
// src\z\deep, each key with a value; the destination, when there, holds
// values of its own and dst\a and dst\z\deep.
TEST_F(RegistryLinks, RefusedCopyLeavesTheDestinationAsItWas) {
  const struct {
    const char* what;
    std::u16string link;  // planted below the scratch key; empty for none
    bool destinationThere;
    BrokerStatus status;
  } rows[] = {
      {"link last in the source", u"src\\z\\link", true, Denied},
      {"link in the source, no destination", u"src\\z\\link", false, Denied},
      {"link where the copy writes", u"dst\\a\\b", true, Denied},
      {"no link, onto the destination", u"", true, Ok},
      {"no link, no destination", u"", false, Ok},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    VictimKey victim;
    ScratchKey key;
    RawSetString(key.root(), key.Sub(u"src"), u"v", u"source");
    RawSetString(key.root(), key.Sub(u"src\\a"), u"x", u"a");
    RawSetString(key.root(), key.Sub(u"src\\a\\b"), u"y", u"b");
    RawSetString(key.root(), key.Sub(u"src\\z\\deep"), u"d", u"deep");
    if (r.destinationThere) {
      RawSetString(key.root(), key.Sub(u"dst"), u"v", u"old");
      RawSetDword(key.root(), key.Sub(u"dst"), u"keep", 1);
      RawSetString(key.root(), key.Sub(u"dst\\a"), u"x", u"old");
      RawSetString(key.root(), key.Sub(u"dst\\z\\deep"), u"k", u"old");
    }
    std::optional<PlantedLink> link;  // destroyed before the scratch key
    if (!r.link.empty()) link.emplace(key.Sub(r.link), VictimKey::kPath);
    const auto before = ContentOf(key, u"dst");
    const auto source = ContentOf(key, u"src");

    EXPECT_EQ(Send(BrokerOperation::CopyKeyTree, key.Sub(u"src"), key.Sub(u"dst")).status,
              r.status);
    auto expected = before;
    if (r.status == Ok) {
      if (!expected) expected.emplace();
      for (const auto& [path, values] : *source) {
        auto& into = (*expected)[path];
        for (const auto& [name, value] : values) into[name] = value;
      }
    }
    EXPECT_EQ(ContentOf(key, u"dst"), expected);
  }
}

}  // namespace
}  // namespace corvane
