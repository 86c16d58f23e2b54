#include "tests/robustness/base_frames.h"

#include "ipc/message_shapes.h"
#include "tests/support/frames.h"

namespace corvane::test {

namespace {

using ipc::MsgParam;
using enum BrokerOperation;
constexpr auto kMachine = RegistryHive::LocalMachine;
constexpr auto kNoHive = static_cast<RegistryHive>(7);
// Codes without a row: zero and the gap in the table.
constexpr auto kNoOperation = static_cast<BrokerOperation>(0);
constexpr auto kGap = static_cast<BrokerOperation>(19);

}  // namespace

std::vector<Bytes> BaseFrames(const std::u16string& appDataCorvane) {
  const std::u16string key = u"Software\\Corvane\\RobustnessTest";
  const std::u16string file = appDataCorvane + u"\\robustness-test.bin";
  std::vector<Bytes> frames = {
      PingFrame(),
      EncodeMessage(ipc::kMsgKeepAlive, {MsgParam::Scalar(ipc::kInt32, 0)}),
      EncodeMessage(ipc::kMsgKeepAlive, {MsgParam::Scalar(ipc::kInt64, 0)}),
      Request(ReadString, key, u"value"),
      Request(WriteString, key, u"value", u"text"),
      Request(ReadDword, key, u"number"),
      Request(WriteDword, key, u"number", u"-1"),
      Request(KeyExists, key),
      Request(ListSubkeys, key),
      Request(ListValues, key),
      Request(ReadQword, key, u"q", u"", kMachine),
      Request(WriteQword, key, u"q", u"18446744073709551615"),
      Request(WriteString, key, u"value", u"x", kMachine),
      Request(ReadString, u"Software\\Elsewhere", u"value"),
      Request(ReadString, key, u"a\\b", u"", kNoHive),
      Request(kNoOperation, key),
      Request(kGap, key),
      Request(FileRead, file),
      Request(FileWrite, file, u"", u"00ff7f80"),
      Request(FileWrite, file, u"", u"0g"),
      Request(FileExists, file),
      Request(FileDelete, appDataCorvane + u"\\robustness-missing.bin"),
      // Texts as null markers and as other string tags.
      EncodeMessage(ipc::kMsgBrokerRequest,
                    {MsgParam::Scalar(ipc::kInt32, OperationCode(Ping)),
                     MsgParam::Scalar(ipc::kInt32, 0), MsgParam::Scalar(ipc::kNullText16, 0),
                     MsgParam::Text8("name", ipc::kText8), MsgParam::Text8("data", ipc::kBytes)}),
      // Wrong count and wrong types: dropped with a diagnostic line.
      EncodeMessage(ipc::kMsgBrokerRequest,
                    {MsgParam::Scalar(ipc::kInt32, OperationCode(Ping)), MsgParam::Text16(u"0"),
                     MsgParam::Text16(u""), MsgParam::Text16(u""), MsgParam::Text16(u"")}),
      EncodeMessage(ipc::kMsgBrokerRequest, {MsgParam::Scalar(ipc::kInt32, OperationCode(Ping)),
                                             MsgParam::Scalar(ipc::kInt32, 0)}),
      // Ids without a service end the session.
      EncodeMessage(2, {MsgParam::Scalar(ipc::kInt32, 0)}),
      EncodeMessage(ipc::kMsgBrokerReply,
                    {MsgParam::Scalar(ipc::kInt32, 0), MsgParam::Text16(u"pong")}),
  };
  // The most parameters a frame may carry.
  std::vector<MsgParam> twenty;
  for (int i = 0; i < 20; ++i) twenty.push_back(MsgParam::Text16(u"twenty"));
  frames.push_back(EncodeMessage(ipc::kMsgBrokerRequest, std::move(twenty)));
  return frames;
}

}  // namespace corvane::test
