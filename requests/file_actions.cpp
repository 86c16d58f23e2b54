// The file actions. Each hands the path on as the request carried it and
// judges the real path of what it opens with the row's rule again
// (CheckedRequest::RealPathInside); Denied from them means the real path lay
// outside.
#include "ipc/encoder.h"  // kFrameRoomUnits
#include "protocol/hex_text.h"
#include "requests/file_primitives.h"
#include "requests/operation_actions.h"

namespace corvane::action {

BrokerStatus FileRead(const CheckedRequest& r, std::u16string& text) {
  // The file is read into the storage of its reply text (which comes with
  // what an earlier large reply left); the reply frame is then built in it
  // too.
  const BrokerStatus status = ReadWholeFile(r.path, r.RealPathInside(), [&text](size_t size) {
    return HexText::PlaceBytes(text, size, ipc::kFrameRoomUnits);
  });
  if (status == BrokerStatus::Ok) HexText::EncodeInPlace(text);
  return status;
}

BrokerStatus FileWrite(const CheckedRequest& r, std::u16string&) {
  // Decoded in the storage of the request's own text, before anything is
  // touched.
  const auto bytes = HexText::DecodeInPlace(r.data);
  return bytes ? WriteFileAtomically(r.path, *bytes, r.RealPathInside()) : BrokerStatus::Invalid;
}

BrokerStatus FileExists(const CheckedRequest& r, std::u16string&) {
  return PathExists(r.path, r.RealPathInside());
}

BrokerStatus FileDelete(const CheckedRequest& r, std::u16string&) {
  return DeleteFileIfPresent(r.path, r.RealPathInside());
}

BrokerStatus FileCopy(const CheckedRequest& r, std::u16string&) {
  return CopyIntoTemp(r.path, r.name, r.RealPathInside());
}

BrokerStatus FileExport(const CheckedRequest& r, std::u16string&) {
  return ExportFile(r.path, r.name, r.RealPathInside());
}

}  // namespace corvane::action
