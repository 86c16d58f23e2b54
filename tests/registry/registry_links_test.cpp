#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "registry/open_key.h"
#include "registry/registry_values.h"
#include "tests/registry/planted_link.h"
#include "tests/registry/scratch_key.h"
#include "tests/support/protocol_codes.h"

namespace corvane {
namespace {

using namespace test;

// Keys are walked from the hive's root, so a link above the Corvane roots
// is seen too; links below them go through the real broker in
// tests/requests/registry_link_broker_test.cpp.
TEST(RegistryLinks, ALinkRightBelowTheHiveRootIsSeen) {
  VictimKey victim;
  const test::TreeContent before = victim.Content();
  const std::u16string top = u"CorvaneLinkTest-" + test::U16(std::to_string(GetCurrentProcessId()));
  PlantedLink link(top, VictimKey::kPath);

  RegKey opened;
  EXPECT_EQ(OpenRegKey(kUser, top, KEY_READ, opened), kKeyIsLink);
  EXPECT_EQ(OpenRegKey(kUser, top + u"\\deeper", KEY_READ, opened), kKeyIsLink);
  EXPECT_EQ(CreateRegKey(kUser, top + u"\\made", KEY_WRITE, opened), kKeyIsLink);
  EXPECT_FALSE(opened);
  EXPECT_EQ(victim.Content(), before);
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
