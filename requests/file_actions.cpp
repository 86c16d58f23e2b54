// The file actions. Each hands the path on as the request carried it and
// judges the real path of what it opens with the row's rule again
// (CheckedRequest::RealPathInside); Denied from them means the real path lay
// outside.
#include <vector>

#include "ipc/encoder.h"  // kFrameRoomUnits
#include "ipc/kept_storage.h"
#include "protocol/hex_text.h"
#include "requests/file_primitives.h"
#include "requests/operation_actions.h"

namespace corvane::action {

BrokerStatus FileRead(const CheckedRequest& r, std::u16string& text) {
  // The file is read into the storage of its reply text, the storage an
  // earlier large reply left (ipc/kept_storage.h) when there is one; the
  // reply frame is then built in it too.
  text = ipc::TakeLargeText();
  const BrokerStatus status = ReadWholeFile(r.path, r.RealPathInside(), [&text](size_t size) {
    return HexText::PlaceBytes(text, size, ipc::kFrameRoomUnits);
  });
  if (status == BrokerStatus::Ok)
    HexText::EncodeInPlace(text);
  else
    text.clear();
  return status;
}

BrokerStatus FileWrite(const CheckedRequest& r, std::u16string&) {
  // The contents are decoded into storage an earlier large write left, when
  // there is one, and leave theirs for the next.
  std::vector<uint8_t> bytes = ipc::TakeLargeBytes(r.data.size() / 2);
  // Before anything is touched.
  const BrokerStatus status = HexText::Decode(r.data, bytes)
                                  ? WriteFileAtomically(r.path, bytes, r.RealPathInside())
                                  : BrokerStatus::Invalid;
  ipc::KeepLargeBytes(bytes);
  return status;
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
