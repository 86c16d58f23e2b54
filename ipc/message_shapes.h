// Parameter shapes of the broker's messages and their conversion to native
// values. A shape's Convert fills its In and returns the tag that the first
// mismatching parameter should have had, or nothing when all match: a
// returned value rather than an exception, since Wine loses a register when
// a C++ exception is caught in a process that runs under a debugger.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "ipc/msg_param.h"

namespace ipc {

inline constexpr int32_t kMsgKeepAlive = 1;
inline constexpr int32_t kMsgGetPluginChannel = 3;
inline constexpr int32_t kMsgPluginChannelReply = 4;
// The handle value of reply 4 when no pipe was handed over.
inline constexpr uint64_t kNoHandle = 0xFFFFFFFFFFFFFFFFull;
inline constexpr int32_t kMsgBrokerRequest = 6;
inline constexpr int32_t kMsgBrokerReply = 7;

// The tag a mismatching parameter should have had; nothing when it matched.
using ParamMismatch = std::optional<int32_t>;

// A 16-bit text, taken out of the parameter, or an empty text for a null
// 16-bit text; nothing for any other tag.
inline std::optional<std::u16string> Text16OrNull(MsgParam& p) {
  if (p.type == kText16) return std::move(p.text16);
  if (p.type == kNullText16) return std::u16string();
  return std::nullopt;
}

// The low 32 bits of a scalar with exactly this tag; nothing for any other.
inline std::optional<uint32_t> Scalar32(const MsgParam& p, int32_t tag) {
  if (p.type != tag) return std::nullopt;
  return p.Low32();
}

template <int Id>
struct MsgParamConverter;

// Request 6: operation, hive, path, name, data.
template <>
struct MsgParamConverter<kMsgBrokerRequest> {
  static constexpr int32_t kCount = 5;
  struct In {
    uint32_t operation = 0;
    int32_t hive = 0;
    std::u16string path;
    std::u16string name;
    std::u16string data;
  };

  // Converted from the last parameter to the first; the first mismatch in
  // that order decides the reported tag. `in` is filled only when all match.
  static ParamMismatch Convert(MsgParam** params, In& in) {
    auto data = Text16OrNull(*params[4]);
    if (!data) return kText16;
    auto name = Text16OrNull(*params[3]);
    if (!name) return kText16;
    auto path = Text16OrNull(*params[2]);
    if (!path) return kText16;
    const auto hive = Scalar32(*params[1], kInt32);
    if (!hive) return kInt32;
    const auto operation = Scalar32(*params[0], kInt32);
    if (!operation) return kInt32;
    in.operation = *operation;
    in.hive = static_cast<int32_t>(*hive);
    in.path = std::move(*path);
    in.name = std::move(*name);
    in.data = std::move(*data);
    return std::nullopt;
  }
};

// Reply 7: status, text.
template <>
struct MsgParamConverter<kMsgBrokerReply> {
  static void Build(int32_t status, std::u16string&& text, MsgParam& p0, MsgParam& p1) {
    p0 = MsgParam::Scalar(kInt32, static_cast<uint32_t>(status));
    p1 = MsgParam::Text16(std::move(text));
  }
};

// Request 3: the process id that is to receive a plug-in channel.
template <>
struct MsgParamConverter<kMsgGetPluginChannel> {
  static constexpr int32_t kCount = 1;
  struct In {
    uint32_t processId = 0;
  };
  static ParamMismatch Convert(MsgParam** params, In& in) {
    const auto processId = Scalar32(*params[0], kUint32);
    if (!processId) return kUint32;
    in.processId = *processId;
    return std::nullopt;
  }
};

}  // namespace ipc
