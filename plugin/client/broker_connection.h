// The plug-in's end of the broker pipe: connecting while the broker starts,
// sending requests and reading their replies with a time-out. Windows only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/client/client_result.h"
#include "plugin/client/frame_reader.h"
#include "plugin/client/request_frames.h"
#include "win/scoped_handle.h"

namespace corvane::client {

inline constexpr uint32_t kDefaultConnectTimeoutMs = 10000;
inline constexpr uint32_t kDefaultReplyTimeoutMs = 30000;

enum class FrameDirection { Sent, Received };
// Sees the bytes of every write and of every whole frame read, on the
// calling thread, before the call returns (for tracing tools).
using FrameObserver = std::function<void(FrameDirection, const uint8_t* bytes, size_t size)>;

class BrokerConnection {
 public:
  // Connects to the pipe of `ipcName` (the --ipc= value, or a full
  // \\.\pipe\ name), retrying while the broker is still starting. Given the
  // broker's process handle, it stops at once when that process has exited.
  static Result<BrokerConnection> Connect(std::u16string_view ipcName,
                                          HANDLE brokerProcess = nullptr,
                                          uint32_t timeoutMs = kDefaultConnectTimeoutMs);

  BrokerConnection(BrokerConnection&&) noexcept = default;
  BrokerConnection& operator=(BrokerConnection&&) noexcept = default;
  ~BrokerConnection() = default;

  // How long a read waits for the broker; kDefaultReplyTimeoutMs at first.
  void SetReplyTimeout(uint32_t timeoutMs) { replyTimeoutMs_ = timeoutMs; }

  // Raw access, for callers that speak the frame format themselves.
  // ReadMessage gives the frame's bytes too when `frame` is not null.
  Result<Done> SendBytes(const uint8_t* bytes, size_t size);
  Result<Done> SendBytes(const std::vector<uint8_t>& bytes) {
    return SendBytes(bytes.data(), bytes.size());
  }
  Result<Message> ReadMessage(std::vector<uint8_t>* frame = nullptr);

  // Request 6 and its reply 7. A request too large for one frame is
  // refused (InvalidArgument) instead of sent, since it would end the broker.
  Result<Reply> Request(uint32_t operation, int32_t hive, std::u16string path, std::u16string name,
                        std::u16string data);
  // Request 3 and its reply 4. A successful handle belongs to `processId`.
  Result<PluginChannel> GetPluginChannel(uint32_t processId);
  // Message 1; the broker never answers it.
  Result<Done> KeepAlive();

  bool IsOpen() const { return static_cast<bool>(pipe_); }
  // Closing the pipe ends the broker.
  void Close() { pipe_.Reset(); }

  // Empty (the default): nothing is observed.
  void SetFrameObserver(FrameObserver observer) { observer_ = std::move(observer); }

 private:
  explicit BrokerConnection(UniqueHandle pipe) : pipe_(std::move(pipe)) {}

  UniqueHandle pipe_;
  FrameReader reader_;
  uint32_t replyTimeoutMs_ = kDefaultReplyTimeoutMs;
  FrameObserver observer_;
};

}  // namespace corvane::client
