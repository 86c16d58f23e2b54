// Frames as tests send and read them: whole messages through the client's
// own encoder and the broker's decoder, the answer to a request as one
// Reply, and raw words for the malformed frames the encoder cannot make.
// Platform-independent.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "ipc/decoder.h"
#include "ipc/msg_param.h"
#include "plugin/client/request_frames.h"
#include "protocol/hives.h"
#include "protocol/operations.h"
#include "protocol/wire.h"

namespace corvane {

// A failing expectation names the status.
inline void PrintTo(BrokerStatus status, std::ostream* out) {
  *out << StatusName(StatusCode(status));
}

}  // namespace corvane

namespace corvane::test {

using client::EncodeMessage;
using client::Message;

// The answer to a request, as tests compare it. The default, status
// "Unknown", stands for no answer at all.
struct Reply {
  BrokerStatus status = static_cast<BrokerStatus>(-1);
  std::u16string text;

  bool operator==(const Reply&) const = default;
  friend void PrintTo(const Reply& reply, std::ostream* out) {
    *out << StatusName(StatusCode(reply.status)) << " " << ::testing::PrintToString(reply.text);
  }
};

inline Reply ReplyOf(const client::Reply& reply) {
  return {static_cast<BrokerStatus>(reply.status), reply.text};
}

// Request 6.
inline std::vector<uint8_t> Request(BrokerOperation operation, std::u16string path,
                                    std::u16string name = {}, std::u16string data = {},
                                    RegistryHive hive = RegistryHive::CurrentUser) {
  return client::EncodeBrokerRequest(OperationCode(operation), HiveCode(hive), std::move(path),
                                     std::move(name), std::move(data));
}

inline std::vector<uint8_t> PingFrame() {
  return Request(BrokerOperation::Ping, u"");
}

// Every whole frame in `bytes`, in order. Stops at the first frame that does
// not decode; `undecoded` receives the number of bytes left over.
inline std::vector<Message> DecodeAll(const std::vector<uint8_t>& bytes,
                                      size_t* undecoded = nullptr) {
  std::vector<Message> out;
  ipc::MsgParamList list;
  ipc::Decoder decoder(&list);
  decoder.Append(bytes.data(), bytes.size());
  while (!decoder.buffered().empty() && decoder.Decode() == ipc::kComplete) {
    out.push_back({list.msgId, {list.params, list.params + list.count}});
    list.Clear();
    list.msgId = -1;
    decoder.Reset();
  }
  if (undecoded != nullptr) *undecoded = decoder.buffered().size();
  return out;
}

// The fixed words of a frame, for building the malformed ones.
inline constexpr uint64_t kMagic = wire::kHeaderMagic, kSep = wire::kSeparator,
                          kEnd = wire::kTrailerMagic, kT16 = wire::kText16TagWord;

// A frame from raw 64-bit words, for what the encoder cannot make.
inline std::vector<uint8_t> Words(std::initializer_list<uint64_t> words) {
  std::vector<uint8_t> out;
  for (uint64_t w : words)
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(w >> (8 * i)));
  return out;
}

inline std::vector<uint8_t> Join(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace corvane::test
