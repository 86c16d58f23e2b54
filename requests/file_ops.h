// The file primitives behind operations 14 to 17, 21 and 22. Paths reach
// the platform exactly as the request carried them. Windows only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "requests/broker_request.h"

namespace corvane {

// The largest file that a read returns (it bounds the reply's size).
constexpr int64_t kMaxReadSize = 4194304;

// The whole file, at most kMaxReadSize bytes; false if it cannot be read.
bool ReadWholeFile(const std::u16string& path, std::vector<uint8_t>& bytes);
// Writes `path` + ".tmp" and moves it over `path`, creating the one parent
// folder level if needed: the target is either replaced whole or untouched.
bool WriteFileAtomically(const std::u16string& path, const std::vector<uint8_t>& bytes);
// A folder counts as existing.
bool PathExists(const std::u16string& path);
// True when the file is gone, including when it was never there.
bool DeleteFileIfPresent(const std::u16string& path);
// Copies over any existing destination and gives the copy normal
// attributes: NotFound without a source, Failed when the copy fails.
BrokerStatus CopyIntoTemp(const std::u16string& source, const std::u16string& destination);
// Like CopyIntoTemp, but the copy keeps the attributes it was given.
BrokerStatus ExportFile(const std::u16string& source, const std::u16string& destination);

}  // namespace corvane
