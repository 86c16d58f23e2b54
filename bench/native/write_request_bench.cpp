// The broker's own work on a FileWrite of 1 MiB (a 4 MiB request frame),
// as the channel thread does it: 4096-byte reads appended one at a time and
// decoded, the parameters converted to the request's fields, the data's
// hexadecimal text decoded to bytes, and the clean-up for the next request.
// Requests come back to back, on a thread that keeps large storage as the
// channel thread does. No system call is made; the Wine benchmark times the
// whole request.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bench/bench_data.h"
#include "ipc/decoder.h"
#include "ipc/encoder.h"
#include "ipc/kept_storage.h"
#include "ipc/message_shapes.h"
#include "ipc/msg_param.h"
#include "ipc/send_msg.h"
#include "protocol/hex_text.h"

namespace {

constexpr size_t kBytes = 1024u * 1024u;
constexpr size_t kRead = 4096;

std::vector<uint8_t> WriteRequestFrame() {
  const std::vector<uint8_t> contents = corvane::bench::PseudoRandomBytes(kBytes, 2);
  ipc::MsgParam operation = ipc::MsgParam::Scalar(ipc::kInt32, 15);
  ipc::MsgParam hive = ipc::MsgParam::Scalar(ipc::kInt32, 0);
  ipc::MsgParam path = ipc::MsgParam::Text16(u"C:\\users\\me\\AppData\\Roaming\\corvane\\w.bin");
  ipc::MsgParam name = ipc::MsgParam::Text16(u"");
  ipc::MsgParam data = ipc::MsgParam::Text16(corvane::HexText::Encode(contents));
  ipc::MsgParam* params[5] = {&operation, &hive, &path, &name, &data};
  ipc::Encoder encoder;
  ipc::EncodeMsg(encoder, ipc::kMsgBrokerRequest, params, 5);
  const auto* b = static_cast<const uint8_t*>(encoder.data());
  return std::vector<uint8_t>(b, b + encoder.byteSize());
}

void BM_ReceiveFileWrite1MiB(benchmark::State& state) {
  const std::vector<uint8_t> frame = WriteRequestFrame();
  ipc::KeptStorage kept;
  ipc::MsgParamList list;
  list.kept = &kept;
  ipc::Decoder decoder(&list, &kept);
  for (auto _ : state) {
    const ipc::DecodeResult r = corvane::bench::DecodeInPieces(decoder, frame, kRead);
    ipc::MsgParam* params[5];
    for (int i = 0; i < 5; ++i) params[i] = &list.params[i];
    ipc::MsgParamConverter<ipc::kMsgBrokerRequest>::In in;
    if (r != ipc::kComplete ||
        ipc::MsgParamConverter<ipc::kMsgBrokerRequest>::Convert(params, in)) {
      state.SkipWithError("request did not decode");
    }
    // As the broker's FileWrite: in the text's own storage, which is kept.
    const auto bytes = corvane::HexText::DecodeInPlace(in.data);
    if (!bytes || bytes->size() != kBytes) state.SkipWithError("contents did not decode");
    benchmark::DoNotOptimize(bytes->data());
    kept.KeepText(in.data);
    corvane::bench::ReadyForNext(list, decoder);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(frame.size()));
}
BENCHMARK(BM_ReceiveFileWrite1MiB)->Unit(benchmark::kMillisecond);

}  // namespace
