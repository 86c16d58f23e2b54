// The base of the file tests that work in the prefix's own folders: the
// roaming AppData folder and the temporary folder, as the broker finds them.
// A derived SetUp calls this one first and stops on its failure.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "win/folders.h"

namespace corvane::test {

class UserFoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    appData = corvane::AppDataFolder();
    temp = corvane::TempFolder();
    ASSERT_FALSE(appData.empty());
    ASSERT_FALSE(temp.empty());
  }

  std::u16string appData, temp;
};

}  // namespace corvane::test
