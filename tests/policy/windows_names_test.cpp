#include "policy/windows_names.h"

#include <gtest/gtest.h>

#include <string_view>

#include "tests/policy/printable.h"

namespace corvane {
namespace {

TEST(WindowsNamesTest, DotOrBlankOnlyComponents) {
  const struct {
    std::u16string_view path;
    bool hazard;
  } cases[] = {
      {u"a\\...\\b", true}, {u"a\\. .", true},    {u".. \\a", true},   {u"a\\ \\b", true},
      {u"a\\  ", true},     {u"..", true},        {u"a\\.\\b", false}, {u".", false},
      {u"a\\.b", false},    {u"a\\b.\\c", false}, {u"a\\ b", false},   {u"a\\. x", false},
      {u"", false},         {u"a\\\t", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HasDotOrBlankOnlyComponent(c.path), c.hazard) << Printable(c.path);
  }
}

TEST(WindowsNamesTest, ReservedDeviceComponents) {
  const struct {
    std::u16string_view path;
    bool hazard;
  } cases[] = {
      {u"nul", true},
      {u"a\\con", true},
      {u"a\\prn\\b", true},
      {u"aux.txt", true},
      {u"a\\nul.tar.gz", true},
      {u"a\\con .json", true},
      {u"a\\com1", true},
      {u"a\\com9.x", true},
      {u"a\\lpt1 ", true},
      {u"a\\lpt5...", true},
      {u"a\\com1:", true},
      {u"a\\nul:x", true},
      {u"conin$", true},
      {u"a\\conout$.txt", true},
      {u"a\\com\u00B9", true},
      {u"a\\lpt\u00B3.png", true},
      {u"a\\com0", false},
      {u"a\\com10", false},
      {u"a\\lpt", false},
      {u"a\\console", false},
      {u"a\\nul_", false},
      {u"a\\xnul", false},
      {u"a\\ nul", false},
      {u"a\\nulx.txt", false},
      {u"a\\com\u2074", false},
      {u"a\\clock$", false},
      {u"", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HasReservedDeviceComponent(c.path), c.hazard) << Printable(c.path);
  }
}

}  // namespace
}  // namespace corvane
