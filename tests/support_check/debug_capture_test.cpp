#include "tests/support/debug_capture.h"

#include <gtest/gtest.h>

#include "ipc/debug_output.h"

TEST(DebugCapture, SeesOutputDebugStringA) {
  corvane::test::DebugCapture capture;
  ipc::DebugOutput("!! svc:OnMsgArgCountError");
  OutputDebugStringA("[CorvaneBroker] x\n");
  const auto lines = capture.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "!! svc:OnMsgArgCountError");
  EXPECT_EQ(lines[1], "[CorvaneBroker] x\n");
}
