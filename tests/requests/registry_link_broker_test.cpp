// Registry links planted below the Corvane subtree, pointing at a key
// outside it, sent every registry request through the real broker process.
// Nothing may be read, written, created or deleted through a link: the
// target is compared whole before and after, directly.
#include <gtest/gtest.h>
#include <windows.h>

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
using test::RawSetString;
using test::ScratchKey;
using test::VictimKey;

constexpr int32_t kOk = StatusCode(BrokerStatus::Ok);
constexpr int32_t kDenied = StatusCode(BrokerStatus::Denied);
constexpr int32_t kUser = static_cast<int32_t>(RegistryHive::CurrentUser);

constexpr uint32_t Op(BrokerOperation operation) {
  return static_cast<uint32_t>(operation);
}

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
  int32_t status;
  std::u16string absentAfter;  // below the scratch key; empty for none
};

const Case kCases[] = {
    // Reads through a link, at the end of the path or in its middle.
    {"list subkeys", BrokerOperation::ListSubkeys, u"link", u"", u"", kDenied, u""},
    {"list values", BrokerOperation::ListValues, u"link", u"", u"", kDenied, u""},
    {"read string", BrokerOperation::ReadString, u"link", u"secret", u"", kDenied, u""},
    {"read dword", BrokerOperation::ReadDword, u"link", u"number", u"", kDenied, u""},
    {"key exists", BrokerOperation::KeyExists, u"link", u"", u"", kDenied, u""},
    {"read below", BrokerOperation::ReadString, u"link\\deeper", u"inner", u"", kDenied, u""},
    // Writes and deletes through a link.
    {"write string", BrokerOperation::WriteString, u"link", u"secret", u"x", kDenied, u""},
    {"create below", BrokerOperation::WriteString, u"link\\new", u"v", u"x", kDenied, u""},
    {"write below", BrokerOperation::WriteString, u"link\\deeper", u"inner", u"x", kDenied, u""},
    {"delete value", BrokerOperation::DeleteValue, u"link", u"secret", u"", kDenied, u""},
    {"delete key", BrokerOperation::DeleteKey, u"link", u"", u"", kDenied, u""},
    {"delete tree", BrokerOperation::DeleteKeyTree, u"link", u"", u"", kDenied, u""},
    {"delete tree below", BrokerOperation::DeleteKeyTree, u"link\\deeper", u"", u"", kDenied, u""},
    // A tree holding a link goes whole, the link as the key it is.
    {"delete tree holding a link", BrokerOperation::DeleteKeyTree, u"tree", u"", u"", kOk, u"tree"},
    // Copies from, to and through links; a link is never copied.
    {"copy from a link", BrokerOperation::CopyKeyTree, u"link", u"copy", u"", kDenied, u"copy"},
    {"copy from below a link", BrokerOperation::CopyKeyTree, u"link\\deeper", u"copy", u"", kDenied,
     u"copy"},
    {"copy onto a link", BrokerOperation::CopyKeyTree, u"plain", u"link", u"", kDenied, u""},
    {"copy below a link", BrokerOperation::CopyKeyTree, u"plain", u"link\\new", u"", kDenied, u""},
    {"copy a tree holding a link", BrokerOperation::CopyKeyTree, u"tree", u"copy", u"", kDenied,
     u"copy\\link"},
    {"copy into a tree holding a link", BrokerOperation::CopyKeyTree, u"src", u"tree", u"", kDenied,
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
    EXPECT_EQ(Send(Op(c.operation), kUser, key.Sub(c.path), copy ? key.Sub(c.name) : c.name, c.data)
                  .status,
              c.status);
    EXPECT_EQ(victim.Content(), before);
    if (!c.absentAfter.empty()) {
      EXPECT_FALSE(RawKeyExists(key.root(), key.Sub(c.absentAfter)));
    }
  }
  // The broker is still there.
  EXPECT_EQ(Send(Op(BrokerOperation::Ping), kUser, u"").status, kOk);
}

}  // namespace
}  // namespace corvane
