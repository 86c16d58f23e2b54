// What --trace prints for frames that are too long to show whole, and for
// bytes that are no frame. (A real exchange is shown in tool_test.cpp.)
#include "plugin/cli/frame_trace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/client/request_frames.h"

namespace corvane::cli {
namespace {

std::string Trace(TraceDirection direction, const std::vector<uint8_t>& bytes) {
  return FormatFrameTrace(direction, bytes.data(), bytes.size());
}

TEST(FrameTrace, LongFramesAndTextsAreShortenedWithTheirLength) {
  const std::vector<uint8_t> frame =
      client::EncodeBrokerRequest(2, 0, u"Software\\Corvane", u"n", std::u16string(1000, u'x'));
  const std::string trace = Trace(TraceDirection::Sent, frame);
  EXPECT_EQ(trace.rfind("trace: sent " + std::to_string(frame.size()) + " bytes\n", 0), 0u);
  EXPECT_NE(trace.find("trace: 00f8  "), std::string::npos);  // the 32nd word is the last shown
  EXPECT_EQ(trace.find("trace: 0100  "), std::string::npos);
  EXPECT_NE(trace.find("trace:   ... " + std::to_string(frame.size() - 256) + " more bytes\n"),
            std::string::npos);
  EXPECT_NE(trace.find("trace:     1. tag 2 int32: 2 (write-string)\n"), std::string::npos);
  EXPECT_NE(trace.find("trace:     3. tag 25 text16: \"Software\\\\Corvane\"\n"),
            std::string::npos);
  EXPECT_NE(
      trace.find("trace:     5. tag 25 text16: \"" + std::string(64, 'x') + "\"... (1000 units)\n"),
      std::string::npos);
}

TEST(FrameTrace, BytesThatAreNoFrameAreSaidToBeSo) {
  std::vector<uint8_t> frame = client::EncodeKeepAlive();
  frame.pop_back();
  EXPECT_NE(Trace(TraceDirection::Received, frame).find("trace:   not a whole frame\n"),
            std::string::npos);
  EXPECT_NE(Trace(TraceDirection::Sent, {1, 2, 3}).find("trace: 0000  01 02 03\n"),
            std::string::npos);
}

}  // namespace
}  // namespace corvane::cli
