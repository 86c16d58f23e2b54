// Encoding and decoding speed of the frames the broker handles most: the
// ping reply, a request with three 1 KiB texts, and one 16 MiB text frame.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bench/bench_data.h"
#include "ipc/decoder.h"
#include "ipc/encoder.h"
#include "ipc/message_shapes.h"
#include "ipc/msg_param.h"
#include "ipc/send_msg.h"

namespace {

constexpr size_t kKiBText = 512;                   // 1 KiB of UTF-16
constexpr size_t kLargeText = 8u * 1024u * 1024u;  // 16 MiB of UTF-16

std::u16string Text(size_t units, char16_t first) {
  std::u16string text(units, u'\0');
  for (size_t i = 0; i < units; ++i) text[i] = static_cast<char16_t>(first + i % 26);
  return text;
}

struct Reply {
  ipc::MsgParam status;
  ipc::MsgParam text;
};

struct Request {
  ipc::MsgParam operation = ipc::MsgParam::Scalar(ipc::kInt32, 2);
  ipc::MsgParam hive = ipc::MsgParam::Scalar(ipc::kInt32, 0);
  ipc::MsgParam path = ipc::MsgParam::Text16(Text(kKiBText, u'a'));
  ipc::MsgParam name = ipc::MsgParam::Text16(Text(kKiBText, u'A'));
  ipc::MsgParam data = ipc::MsgParam::Text16(Text(kKiBText, u'a'));
};

std::vector<uint8_t> Bytes(const ipc::Encoder& encoder) {
  const auto* b = static_cast<const uint8_t*>(encoder.data());
  return std::vector<uint8_t>(b, b + encoder.byteSize());
}

std::vector<uint8_t> ReplyFrame(std::u16string text) {
  Reply r;
  ipc::MsgParamConverter<ipc::kMsgBrokerReply>::Build(0, std::move(text), r.status, r.text);
  ipc::MsgParam* params[2] = {&r.status, &r.text};
  ipc::Encoder encoder;
  ipc::EncodeMsg(encoder, ipc::kMsgBrokerReply, params, 2);
  return Bytes(encoder);
}

std::vector<uint8_t> RequestFrame() {
  Request r;
  ipc::MsgParam* params[5] = {&r.operation, &r.hive, &r.path, &r.name, &r.data};
  ipc::Encoder encoder;
  ipc::EncodeMsg(encoder, ipc::kMsgBrokerRequest, params, 5);
  return Bytes(encoder);
}

// As the service sends a reply: build the two parameters, encode into a
// fresh encoder (SendMsg makes one per message).
void BM_EncodePong(benchmark::State& state) {
  for (auto _ : state) {
    Reply r;
    ipc::MsgParamConverter<ipc::kMsgBrokerReply>::Build(0, u"pong", r.status, r.text);
    ipc::MsgParam* params[2] = {&r.status, &r.text};
    ipc::Encoder encoder;
    ipc::EncodeMsg(encoder, ipc::kMsgBrokerReply, params, 2);
    benchmark::DoNotOptimize(encoder.data());
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(ReplyFrame(u"pong").size()));
}
BENCHMARK(BM_EncodePong);

// The parameters exist already (a plug-in reuses its texts); only the frame
// is built.
void BM_EncodeRequest3KiB(benchmark::State& state) {
  Request r;
  ipc::MsgParam* params[5] = {&r.operation, &r.hive, &r.path, &r.name, &r.data};
  for (auto _ : state) {
    ipc::Encoder encoder;
    ipc::EncodeMsg(encoder, ipc::kMsgBrokerRequest, params, 5);
    benchmark::DoNotOptimize(encoder.data());
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(RequestFrame().size()));
}
BENCHMARK(BM_EncodeRequest3KiB);

void BM_EncodeFrame16MiB(benchmark::State& state) {
  Reply r;
  ipc::MsgParamConverter<ipc::kMsgBrokerReply>::Build(0, Text(kLargeText, u'a'), r.status, r.text);
  ipc::MsgParam* params[2] = {&r.status, &r.text};
  size_t size = 0;
  for (auto _ : state) {
    ipc::Encoder encoder;
    ipc::EncodeMsg(encoder, ipc::kMsgBrokerReply, params, 2);
    size = encoder.byteSize();
    benchmark::DoNotOptimize(encoder.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(size));
}
BENCHMARK(BM_EncodeFrame16MiB)->Unit(benchmark::kMillisecond);

// One frame through the decoder as the receive loop uses it: the bytes are
// appended, decoded, and the list and decoder made ready for the next one.
void DecodeWhole(benchmark::State& state, const std::vector<uint8_t>& frame) {
  ipc::MsgParamList list;
  ipc::Decoder decoder(&list);
  for (auto _ : state) {
    decoder.Append(frame.data(), frame.size());
    if (decoder.Decode() != ipc::kComplete) state.SkipWithError("frame did not decode");
    benchmark::DoNotOptimize(list.params[1].text16.data());
    corvane::bench::ReadyForNext(list, decoder);
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(frame.size()));
}

void BM_DecodePong(benchmark::State& state) {
  DecodeWhole(state, ReplyFrame(u"pong"));
}
BENCHMARK(BM_DecodePong);

void BM_DecodeRequest3KiB(benchmark::State& state) {
  DecodeWhole(state, RequestFrame());
}
BENCHMARK(BM_DecodeRequest3KiB);

// The frame is already buffered; only Decode and the clean-up are timed.
// Rates are of CPU time, which a busy shared machine disturbs least.
void BM_DecodeFrame16MiB(benchmark::State& state) {
  const std::vector<uint8_t> frame = ReplyFrame(Text(kLargeText, u'a'));
  ipc::MsgParamList list;
  ipc::Decoder decoder(&list);
  for (auto _ : state) {
    state.PauseTiming();
    decoder.Append(frame.data(), frame.size());
    state.ResumeTiming();
    if (decoder.Decode() != ipc::kComplete) state.SkipWithError("frame did not decode");
    benchmark::DoNotOptimize(list.params[1].text16.data());
    corvane::bench::ReadyForNext(list, decoder);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(frame.size()));
}
BENCHMARK(BM_DecodeFrame16MiB)->Unit(benchmark::kMillisecond);

// The whole receive path of the channel: 4096-byte reads appended one at a
// time, Decode after each once whole words are buffered.
void BM_DecodeFrame16MiBIn4KiBReads(benchmark::State& state) {
  const std::vector<uint8_t> frame = ReplyFrame(Text(kLargeText, u'a'));
  constexpr size_t kRead = 4096;
  ipc::MsgParamList list;
  ipc::Decoder decoder(&list);
  for (auto _ : state) {
    if (corvane::bench::DecodeInPieces(decoder, frame, kRead) != ipc::kComplete) {
      state.SkipWithError("frame did not decode");
    }
    benchmark::DoNotOptimize(list.params[1].text16.data());
    corvane::bench::ReadyForNext(list, decoder);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(frame.size()));
}
BENCHMARK(BM_DecodeFrame16MiBIn4KiBReads)->Unit(benchmark::kMillisecond);

}  // namespace
