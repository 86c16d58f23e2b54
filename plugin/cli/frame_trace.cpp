#include "plugin/cli/frame_trace.h"

#include <string_view>

#include "ipc/message_shapes.h"
#include "ipc/msg_param.h"
#include "plugin/cli/answer_format.h"
#include "plugin/client/frame_reader.h"
#include "protocol/hex_text.h"
#include "protocol/operations.h"

namespace corvane::cli {
namespace {

constexpr size_t kMaxHexWords = 32;
constexpr size_t kMaxTextUnits = 64;
constexpr char kPrefix[] = "trace: ";

std::string HexWord(const uint8_t* bytes, size_t size) {
  std::string out;
  for (size_t i = 0; i < size; ++i) {
    if (i != 0) out += ' ';
    out += HexDigit(static_cast<unsigned>(bytes[i] >> 4));
    out += HexDigit(bytes[i]);
  }
  return out;
}

std::string HexNumber(uint64_t value) {
  std::string out;
  do {
    out.insert(out.begin(), HexDigit(static_cast<unsigned>(value)));
    value >>= 4;
  } while (value != 0);
  return out;
}

std::string Offset(size_t offset) {
  std::string digits = HexNumber(offset);
  return std::string(digits.size() < 4 ? 4 - digits.size() : 0, '0') + digits;
}

const char* TagName(int32_t tag) {
  switch (tag) {
    case ipc::kInt32A:
    case ipc::kInt32:
    case ipc::kInt32B:
      return "int32";
    case ipc::kUint32:
      return "uint32";
    case ipc::kByte:
      return "byte";
    case ipc::kInt16:
      return "int16";
    case ipc::kInt64:
      return "int64";
    case ipc::kNullText8:
      return "null text8";
    case ipc::kNullText16:
      return "null text16";
    case ipc::kNullBytes:
      return "null bytes";
    case ipc::kText8Terminated:
    case ipc::kText8:
      return "text8";
    case ipc::kText16Terminated:
    case ipc::kText16:
      return "text16";
    case ipc::kBytes:
      return "bytes";
    default:
      return "unknown";
  }
}

std::string Shortened(std::u16string_view text) {
  if (text.size() <= kMaxTextUnits) return "\"" + ReadableText(text) + "\"";
  return "\"" + ReadableText(text.substr(0, kMaxTextUnits)) + "\"... (" +
         std::to_string(text.size()) + " units)";
}

// The value as the message means it: operation and status codes get their
// names, handles their hexadecimal.
std::string Value(const client::Message& message, size_t index) {
  const ipc::MsgParam& p = message.params[index];
  switch (p.type) {
    case ipc::kText16Terminated:
    case ipc::kText16:
      return Shortened(p.text16);
    case ipc::kText8Terminated:
    case ipc::kText8:
    case ipc::kBytes:
      return std::to_string(p.text8.size()) + " bytes " +
             Shortened(std::u16string(p.text8.begin(), p.text8.end()));
    case ipc::kNullText8:
    case ipc::kNullText16:
    case ipc::kNullBytes:
      return "null";
    case ipc::kInt64:
      return std::to_string(p.value) + " (0x" + HexNumber(p.value) + ")";
    default:
      break;
  }
  const uint32_t low = p.Low32();
  std::string out =
      p.type == ipc::kUint32 ? std::to_string(low) : std::to_string(static_cast<int32_t>(low));
  if (index == 0 && message.id == ipc::kMsgBrokerRequest) {
    const OperationInfo* row = FindOperation(low);
    if (row != nullptr) out += " (" + std::string(row->name) + ")";
  } else if (index == 0 && message.id == ipc::kMsgBrokerReply) {
    out += " (" + std::string(StatusName(static_cast<int32_t>(low))) + ")";
  }
  return out;
}

std::string Decoded(const uint8_t* bytes, size_t size) {
  client::FrameReader reader;
  reader.Append(bytes, size);
  client::Message message;
  if (reader.Next(message) != client::FrameReader::Step::Message) {
    return std::string(kPrefix) + "  not a whole frame\n";
  }
  std::string out = std::string(kPrefix) + "  message " + std::to_string(message.id) + ", " +
                    std::to_string(message.params.size()) + " parameters\n";
  for (size_t i = 0; i < message.params.size(); ++i) {
    const int32_t tag = message.params[i].type;
    out += std::string(kPrefix) + "    " + std::to_string(i + 1) + ". tag " + std::to_string(tag) +
           " " + TagName(tag) + ": " + Value(message, i) + "\n";
  }
  if (reader.HasBufferedBytes()) out += std::string(kPrefix) + "  more bytes follow the frame\n";
  return out;
}

}  // namespace

std::string FormatFrameTrace(TraceDirection direction, const uint8_t* bytes, size_t size) {
  std::string out = std::string(kPrefix) +
                    (direction == TraceDirection::Sent ? "sent " : "received ") +
                    std::to_string(size) + " bytes\n";
  const size_t shown = size < kMaxHexWords * 8 ? size : kMaxHexWords * 8;
  for (size_t at = 0; at < shown; at += 8) {
    out += std::string(kPrefix) + Offset(at) + "  " +
           HexWord(bytes + at, shown - at < 8 ? shown - at : 8) + "\n";
  }
  if (shown < size) {
    out += std::string(kPrefix) + "  ... " + std::to_string(size - shown) + " more bytes\n";
  }
  return out + Decoded(bytes, size);
}

}  // namespace corvane::cli
