#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "registry/open_key.h"
#include "registry/registry_enum.h"
#include "registry/registry_values.h"
#include "tests/registry/planted_link.h"
#include "tests/registry/scratch_key.h"

namespace corvane {
namespace {

using test::PlantedLink;
using test::RawCreateKey;
using test::RawIsLink;
using test::RawKeyExists;
using test::ScratchKey;
using test::VictimKey;

constexpr int32_t kUser = 0;

TEST(RegistryLinks, ALinkAnywhereOnTheWayIsSeenFromTheHiveRootOn) {
  VictimKey victim;
  const test::TreeContent before = victim.Content();
  ScratchKey key;
  RawCreateKey(key.root(), key.Sub(u"a"));
  // One link right below the hive's root, one deep in the subtree.
  const std::u16string top = u"CorvaneLinkTest-" + test::U16(std::to_string(GetCurrentProcessId()));
  PlantedLink atTop(top, VictimKey::kPath);
  PlantedLink deep(key.Sub(u"a\\link"), VictimKey::kPath);

  const std::u16string paths[] = {top, top + u"\\deeper", key.Sub(u"a\\link"),
                                  key.Sub(u"a\\link\\deeper"), key.Sub(u"a\\link\\deeper\\new")};
  for (size_t i = 0; i < std::size(paths); ++i) {
    SCOPED_TRACE(i);
    const std::u16string& path = paths[i];
    RegKey opened;
    EXPECT_EQ(OpenRegKey(kUser, path, KEY_READ, opened), kKeyIsLink);
    EXPECT_EQ(CreateRegKey(kUser, path + u"\\made", KEY_WRITE, opened), kKeyIsLink);
    EXPECT_FALSE(opened);
  }
  EXPECT_EQ(victim.Content(), before);
  EXPECT_TRUE(RawIsLink(top));
}

TEST(RegistryLinks, AStringNamedLikeALinksTargetIsPlainData) {
  ScratchKey key;
  ASSERT_TRUE(RegistryWriteString(kUser, key.path(), u"SymbolicLinkValue", u"\\Registry"));
  std::u16string out;
  EXPECT_TRUE(RegistryReadString(kUser, key.path(), u"SymbolicLinkValue", out));
  EXPECT_EQ(out, u"\\Registry");
  EXPECT_TRUE(RegistryWriteString(kUser, key.Sub(u"below"), u"v", u"1"));
}

TEST(RegistryLinks, TreeDeleteRemovesLinksAtEveryDepthAndNothingTheyLeadTo) {
  VictimKey victim;
  const test::TreeContent before = victim.Content();
  ScratchKey key;
  test::RawSetString(key.root(), key.Sub(u"tree\\a\\b\\c"), u"v", u"1");
  RawCreateKey(key.root(), key.Sub(u"tree\\z"));
  PlantedLink first(key.Sub(u"tree\\link"), VictimKey::kPath);
  PlantedLink middle(key.Sub(u"tree\\a\\link"), VictimKey::kPath);
  PlantedLink last(key.Sub(u"tree\\a\\b\\zlink"), VictimKey::kPath);

  const RegistryResult result = RegistryDeleteTree(kUser, key.Sub(u"tree"));
  EXPECT_TRUE(result);
  EXPECT_FALSE(RawKeyExists(key.root(), key.Sub(u"tree")));
  EXPECT_EQ(victim.Content(), before);
}

TEST(RegistryLinks, APrimitiveSaysWhenALinkStoppedIt) {
  ScratchKey key;
  RawCreateKey(key.root(), key.path());
  PlantedLink link(key.Sub(u"link"), VictimKey::kPath);
  std::vector<std::u16string> names;
  const RegistryResult listed = RegistryListSubkeys(kUser, key.Sub(u"link"), names);
  EXPECT_FALSE(listed);
  EXPECT_TRUE(listed.throughLink());
  const RegistryResult missing = RegistryListSubkeys(kUser, key.Sub(u"missing"), names);
  EXPECT_FALSE(missing);
  EXPECT_FALSE(missing.throughLink());
}

}  // namespace
}  // namespace corvane
