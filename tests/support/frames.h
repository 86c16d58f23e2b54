// Helpers for building frames in tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "ipc/send_msg.h"

namespace corvane::test {

inline std::vector<uint8_t> Frame(int32_t id, std::vector<ipc::MsgParam> params) {
  std::vector<ipc::MsgParam*> ptrs;
  for (auto& p : params) ptrs.push_back(&p);
  ipc::Encoder e;
  if (!ipc::EncodeMsg(e, id, ptrs.data(), static_cast<int32_t>(ptrs.size()))) return {};
  const auto* b = static_cast<const uint8_t*>(e.data());
  return std::vector<uint8_t>(b, b + e.byteSize());
}

// A frame from raw 64-bit words.
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
