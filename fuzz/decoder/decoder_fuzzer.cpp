// Feeds arbitrary bytes to the frame decoder, whole and through the channel's
// receive loop in pieces of sizes the input chooses, and checks that every
// decoded message is sound, re-encodes to a frame that decodes to the same
// message, and does not depend on how the bytes were cut.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ipc/channel.h"
#include "ipc/decoder.h"
#include "ipc/handler.h"
#include "ipc/send_msg.h"

namespace {

void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "decoder_fuzzer: %s\n", what);
  std::abort();
}

struct Message {
  int32_t id = -1;
  std::vector<ipc::MsgParam> params;
};

bool SameParam(const ipc::MsgParam& a, const ipc::MsgParam& b) {
  return a.type == b.type && a.value == b.value && a.text8 == b.text8 && a.text16 == b.text16;
}

bool SameMessage(const Message& a, const Message& b) {
  if (a.id != b.id || a.params.size() != b.params.size()) return false;
  for (size_t i = 0; i < a.params.size(); ++i) {
    if (!SameParam(a.params[i], b.params[i])) return false;
  }
  return true;
}

Message Copy(const ipc::MsgParamList& list) {
  Message m;
  m.id = list.msgId;
  for (uint64_t i = 0; i < list.count; ++i) m.params.push_back(list.params[i]);
  return m;
}

// What the decoder promises about every parameter it hands out.
void CheckParam(const ipc::MsgParam& p) {
  switch (p.type) {
    case ipc::kInt32A:
    case ipc::kInt32:
    case ipc::kInt32B:
    case ipc::kUint32:
      Require(p.value <= 0xFFFFFFFFu, "32-bit scalar wider than 32 bits");
      break;
    case ipc::kByte:
      Require(p.value <= 0xFFu, "byte scalar wider than 8 bits");
      break;
    case ipc::kInt16:
      Require(p.value <= 0xFFFFu, "16-bit scalar wider than 16 bits");
      break;
    case ipc::kInt64:
      break;
    case ipc::kNullText8:
    case ipc::kNullText16:
    case ipc::kNullBytes:
      Require(p.value == ipc::kNullMarkerValue, "null marker without its value");
      break;
    case ipc::kText8Terminated:
      Require(p.text8.find('\0') == std::string::npos, "tag 22 keeps a NUL");
      break;
    case ipc::kText16Terminated:
      Require(p.text16.find(u'\0') == std::u16string::npos, "tag 24 keeps a NUL");
      break;
    case ipc::kText8:
    case ipc::kBytes:
    case ipc::kText16:
      break;
    default:
      Require(false, "decoded a tag that does not exist");
  }
  const bool text8 =
      p.type == ipc::kText8Terminated || p.type == ipc::kText8 || p.type == ipc::kBytes;
  const bool text16 = p.type == ipc::kText16Terminated || p.type == ipc::kText16;
  Require(text8 || p.text8.empty(), "8-bit text on a parameter of another class");
  Require(text16 || p.text16.empty(), "16-bit text on a parameter of another class");
}

std::vector<uint8_t> Encode(Message m) {
  std::vector<ipc::MsgParam*> ptrs;
  for (auto& p : m.params) ptrs.push_back(&p);
  ipc::Encoder e;
  Require(ipc::EncodeMsg(e, m.id, ptrs.data(), static_cast<int32_t>(ptrs.size())),
          "a decoded parameter cannot be encoded");
  const auto* b = static_cast<const uint8_t*>(e.data());
  return {b, b + e.byteSize()};
}

// A decoded message encodes to a frame no longer than the one it came from,
// which decodes to the same message and encodes to the same bytes again.
void CheckRoundTrip(const Message& m, size_t consumed) {
  if (m.params.empty()) return;  // every frame carries at least one parameter
  const auto bytes = Encode(m);
  Require(bytes.size() <= consumed, "re-encoded frame is longer than the original");
  ipc::MsgParamList list;
  ipc::Decoder d(&list);
  d.Append(bytes.data(), bytes.size());
  Require(d.Decode() == ipc::kComplete, "re-encoded frame does not decode");
  Require(d.buffered().empty(), "re-encoded frame leaves bytes behind");
  const Message again = Copy(list);
  Require(SameMessage(m, again), "re-encoded frame decodes differently");
  Require(Encode(again) == bytes, "encoding is not stable");
}

uint32_t Low32At(const std::vector<uint8_t>& buffer, size_t offset) {
  uint32_t v;
  std::memcpy(&v, buffer.data() + offset, sizeof v);
  return v;
}

struct WholeRun {
  std::vector<Message> messages;  // keep-alives left out, as the loop does
  size_t agreeing = 0;            // leading messages whose frames all used exactly their total
  bool endedBad = false;
};

// Decodes the stream from one buffer, resetting between frames as the
// receive loop does, and checks each step.
WholeRun DecodeWhole(const uint8_t* data, size_t size) {
  WholeRun run;
  ipc::MsgParamList list;
  ipc::Decoder d(&list);
  d.Append(data, size);
  bool agreeing = true;
  for (;;) {
    const size_t before = d.buffered().size();
    const uint32_t declared = before >= 32 ? Low32At(d.buffered(), 24) : 0;
    const ipc::DecodeResult r = d.Decode();
    Require(r == ipc::kNeedMore || r == ipc::kComplete || r == ipc::kBadFrame,
            "Decode returned an internal result");
    Require(d.lastResult() == r, "lastResult differs from the result");
    if (r == ipc::kBadFrame) run.endedBad = true;
    if (r != ipc::kComplete) break;
    Require(d.state() == ipc::kDone && d.cursor() == 0, "complete frame left the decoder mid-way");
    Require(list.count <= 20, "more than 20 parameters");
    Require(list.msgId >= 0, "negative message id");
    const size_t consumed = before - d.buffered().size();
    Require(consumed % 8 == 0 && consumed >= 5 * 8, "frame of a broken size");
    Require(d.buffered().empty() ||
                std::memcmp(d.buffered().data(), data + (size - d.buffered().size()),
                            d.buffered().size()) == 0,
            "bytes after the frame changed");
    const Message m = Copy(list);
    for (const auto& p : m.params) CheckParam(p);
    CheckRoundTrip(m, consumed);
    if (consumed != static_cast<size_t>(declared) * 8) agreeing = false;
    if (!ipc::IsKeepAlive(list)) {
      run.messages.push_back(m);
      if (agreeing) run.agreeing = run.messages.size();
    }
    Require(d.Decode() == ipc::kBadFrame, "a finished decoder decoded again");
    list.Clear();
    list.msgId = -1;
    d.Reset();
  }
  return run;
}

// Serves the stream in pieces of the given sizes, straight from the input.
class PieceTransport {
 public:
  PieceTransport(const uint8_t* data, size_t size, const std::vector<size_t>& cuts)
      : data_(data), size_(size), cuts_(cuts) {}

  const uint8_t* Read(size_t& count) {
    count = std::min(size_ - at_, cuts_[reads_++ % cuts_.size()]);
    const uint8_t* piece = data_ + at_;
    at_ += count;
    return count != 0 ? piece : nullptr;
  }
  bool Write(const void*, uint64_t) { return true; }

 private:
  const uint8_t* data_;
  size_t size_;
  const std::vector<size_t>& cuts_;
  size_t at_ = 0;
  size_t reads_ = 0;
};

using FuzzChannel = ipc::Channel<PieceTransport>;

class Recorder final : public ipc::MsgHandlerBase<FuzzChannel> {
 public:
  std::vector<Message> got;
  int64_t OnMsgReceived(int32_t id, FuzzChannel* channel, ipc::MsgParam** params,
                        int32_t count) override {
    Require(channel->lastMessageId == id, "lastMessageId is not the dispatched id");
    Require(count >= 0 && count <= 20, "dispatched more than 20 parameters");
    Message m;
    m.id = id;
    for (int32_t i = 0; i < count; ++i) m.params.push_back(*params[i]);
    got.push_back(std::move(m));
    return 0;
  }
  bool OnMsgArgCountError(int32_t) override { return false; }
  bool OnMsgParamError(int32_t) override { return false; }
};

// Runs the receive loop over the stream cut into pieces of the given sizes.
int64_t RunLoop(const uint8_t* data, size_t size, const std::vector<size_t>& cuts,
                Recorder& recorder) {
  PieceTransport transport(data, size, cuts);
  FuzzChannel channel(&transport);
  const int64_t r =
      channel.ReceiveLoop(&recorder, [](int32_t) -> FuzzChannel::Handler* { return nullptr; });
  Require(r == ipc::kTransportEnded || r == ipc::kBadFrameResult,
          "the loop ended with an unexpected result");
  return r;
}

std::vector<size_t> RandomCuts(const uint8_t* data, size_t size) {
  uint64_t h = 1469598103934665603ull;  // FNV-1a of the input seeds the cuts
  for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 1099511628211ull;
  std::vector<size_t> cuts;
  for (int i = 0; i < 64; ++i) {
    h ^= h << 13;
    h ^= h >> 7;
    h ^= h << 17;
    const uint64_t kind = h % 4;
    const uint64_t limit = kind < 2 ? 8 : kind == 2 ? 64 : 4096;
    cuts.push_back(static_cast<size_t>(1 + (h >> 8) % limit));
  }
  return cuts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The loop reads until it holds whole words; a stream that ends inside a
  // word would only make it wait.
  size -= size % 8;
  const WholeRun whole = DecodeWhole(data, size);

  // Delivered in one read, the loop sees exactly what the decoder saw.
  {
    Recorder recorder;
    const int64_t r = RunLoop(data, size, {size + 1}, recorder);
    Require((r == ipc::kBadFrameResult) == whole.endedBad, "the loop ended differently");
    Require(recorder.got.size() == whole.messages.size(), "the loop dispatched other messages");
    for (size_t i = 0; i < whole.messages.size(); ++i) {
      Require(SameMessage(recorder.got[i], whole.messages[i]),
              "the loop dispatched another message");
    }
  }
  // In pieces, every frame that used exactly its declared total decodes the
  // same however the bytes were cut.
  for (const auto& cuts : {RandomCuts(data, size), std::vector<size_t>{1, 2, 3, 5, 7, 11, 13}}) {
    Recorder recorder;
    RunLoop(data, size, cuts, recorder);
    Require(recorder.got.size() >= whole.agreeing, "pieces lost a message");
    for (size_t i = 0; i < whole.agreeing; ++i) {
      Require(SameMessage(recorder.got[i], whole.messages[i]), "pieces changed a message");
    }
  }
  return 0;
}
