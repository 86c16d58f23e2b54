// The messages of the pipe, declared once for both ends: each one's id, the
// tag of every parameter in order, and the field it fills. The broker's typed
// entry converts with these declarations (ipc/message_shapes.h) and the
// client encodes and checks with the same ones (plugin/client/request_frames.cpp),
// so a shape cannot differ between the ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <tuple>

namespace corvane::protocol {

// Wire tags. 1..7 are scalars, 8..10 null markers, 22..26 strings.
enum ParamType : int32_t {
  kInt32A = 1,
  kInt32 = 2,  // operation, hive and status values
  kInt32B = 3,
  kUint32 = 4,  // process ids and system error codes
  kByte = 5,
  kInt16 = 6,
  kInt64 = 7,  // handle values
  kNullText8 = 8,
  kNullText16 = 9,
  kNullBytes = 10,
  kText8Terminated = 22,
  kText8 = 23,
  kText16Terminated = 24,
  kText16 = 25,
  kBytes = 26,
};

inline constexpr int32_t kMsgKeepAlive = 1;
inline constexpr int32_t kMsgGetPluginChannel = 3;
inline constexpr int32_t kMsgPluginChannelReply = 4;
inline constexpr int32_t kMsgBrokerRequest = 6;
inline constexpr int32_t kMsgBrokerReply = 7;

// The handle value of reply 4 when no pipe was handed over.
inline constexpr uint64_t kNoHandle = 0xFFFFFFFFFFFFFFFFull;

// A shape is a struct with its id, its tags, and Fields(): its members in
// tag order. A 32-bit tag fills a 32-bit member from the low half of the
// scalar; kInt64 a 64-bit one; kText16 a text (the broker also takes the
// null 16-bit text there, as an empty one).

// Message 1: a single scalar 0 keeps the channel alive and is never
// answered. The broker takes any scalar tag; the client sends this one.
struct KeepAlive {
  static constexpr int32_t kId = kMsgKeepAlive;
  static constexpr ParamType kTags[] = {kInt32};
  int32_t zero = 0;
  auto Fields() { return std::tie(zero); }
};

// Request 3: the process id that is to receive a plug-in channel.
struct GetPluginChannel {
  static constexpr int32_t kId = kMsgGetPluginChannel;
  static constexpr ParamType kTags[] = {kUint32};
  uint32_t processId = 0;
  auto Fields() { return std::tie(processId); }
};

// Reply 4: a system error code (0 on success) and a handle valid in the
// process that asked for the channel.
struct PluginChannelReply {
  static constexpr int32_t kId = kMsgPluginChannelReply;
  static constexpr ParamType kTags[] = {kUint32, kInt64};
  uint32_t status = 0;
  uint64_t handle = kNoHandle;
  auto Fields() { return std::tie(status, handle); }
};

// Request 6: operation, hive, path, name, data (protocol/operations.h).
struct BrokerRequest {
  static constexpr int32_t kId = kMsgBrokerRequest;
  static constexpr ParamType kTags[] = {kInt32, kInt32, kText16, kText16, kText16};
  uint32_t operation = 0;
  int32_t hive = 0;
  std::u16string path;
  std::u16string name;
  std::u16string data;
  auto Fields() { return std::tie(operation, hive, path, name, data); }
};

// Reply 7: status, text.
struct BrokerReply {
  static constexpr int32_t kId = kMsgBrokerReply;
  static constexpr ParamType kTags[] = {kInt32, kText16};
  int32_t status = 0;
  std::u16string text;
  auto Fields() { return std::tie(status, text); }
};

template <class Shape>
inline constexpr size_t kParamCount = std::size(Shape::kTags);

}  // namespace corvane::protocol
