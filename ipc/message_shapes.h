// Parameter shapes of the broker's messages and their conversion to native
// values. A parameter of the wrong type is signalled by throwing the tag it
// should have had; the MsgIn entry catches it.
#pragma once

#include <cstdint>
#include <string>

#include "ipc/msg_param.h"

namespace ipc {

inline constexpr int32_t kMsgKeepAlive = 1;
inline constexpr int32_t kMsgGetPluginChannel = 3;
inline constexpr int32_t kMsgPluginChannelReply = 4;
inline constexpr int32_t kMsgBrokerRequest = 6;
inline constexpr int32_t kMsgBrokerReply = 7;

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

  static void TextOrNull(const MsgParam& p, std::u16string& out) {
    if (p.type == kText16) {
      out = p.text16;
    } else if (p.type != kNullText16) {
      throw static_cast<int32_t>(kText16);
    }
  }
  static uint32_t Int32(const MsgParam& p) {
    if (p.type != kInt32) throw static_cast<int32_t>(kInt32);
    return p.Low32();
  }
  // Converted from the last parameter to the first; the first mismatch in
  // that order decides the reported tag.
  static void Convert(MsgParam** params, In& in) {
    TextOrNull(*params[4], in.data);
    TextOrNull(*params[3], in.name);
    TextOrNull(*params[2], in.path);
    in.hive = static_cast<int32_t>(Int32(*params[1]));
    in.operation = Int32(*params[0]);
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
  static void Convert(MsgParam** params, In& in) {
    if (params[0]->type != kUint32) throw static_cast<int32_t>(kUint32);
    in.processId = params[0]->Low32();
  }
};

}  // namespace ipc
