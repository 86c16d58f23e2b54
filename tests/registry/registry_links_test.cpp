#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "registry/open_key.h"
#include "registry/registry_values.h"
#include "tests/registry/planted_link.h"
#include "tests/registry/scratch_key.h"

namespace corvane {
namespace {

using namespace test;

// Links above the Corvane roots, and links whose target has the very path
// that was asked for below another key, are seen too; links below the roots
// go through the real broker in tests/requests/registry_link_broker_test.cpp.
TEST(RegistryLinks, ALinkAnywhereOnThePathIsSeen) {
  ScratchKey key;
  const std::u16string top = u"CorvaneLinkTest-" + test::U16(std::to_string(GetCurrentProcessId()));
  const struct {
    const char* what;
    std::u16string link, target;
  } kRows[] = {
      {"right below the hive root", top, VictimKey::kPath},
      // Its target's full name ends like the name asked for.
      {"to a key of the same path elsewhere", key.Sub(u"a"), VictimKey::Sub(key.Sub(u"a"))},
  };
  for (const auto& r : kRows) {
    SCOPED_TRACE(r.what);
    VictimKey victim;
    RawSetString(HKEY_CURRENT_USER, r.target + u"\\deeper", u"inner", u"kept");
    const test::TreeContent before = victim.Content();
    PlantedLink link(r.link, r.target);

    RegKey opened;
    EXPECT_EQ(OpenRegKey(kUser, r.link, KEY_READ, opened), kKeyIsLink);
    EXPECT_EQ(OpenRegKey(kUser, r.link + u"\\deeper", KEY_READ, opened), kKeyIsLink);
    EXPECT_EQ(CreateRegKey(kUser, r.link + u"\\made", KEY_WRITE, opened), kKeyIsLink);
    EXPECT_FALSE(opened);
    EXPECT_EQ(victim.Content(), before);
  }
}

TEST(RegistryLinks, AStringNamedLikeALinksTargetIsPlainData) {
  ScratchKey key;
  ASSERT_TRUE(RegistryWriteString(kUser, key.path(), u"SymbolicLinkValue", u"\\Registry"));
  std::u16string out;
  EXPECT_TRUE(RegistryReadString(kUser, key.path(), u"SymbolicLinkValue", out));
  EXPECT_EQ(out, u"\\Registry");
  EXPECT_TRUE(RegistryWriteString(kUser, key.Sub(u"below"), u"v", u"1"));
}

}  // namespace
}  // namespace corvane
