// The file primitives behind operations 14 to 17, 21 and 22. Paths reach
// the platform as the request carried them; what they resolve to (through
// links, junctions or short names) is judged by `inside` before anything is
// read, created, changed or deleted, and anything judged outside answers
// Denied. A file read or exported must have no other name (hard link): its
// other name may lie anywhere. Windows only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "policy/grants.h"  // kMaxFileReadBytes
#include "protocol/operations.h"

namespace corvane {

// Whether a real path (a final path, without "\\?\") lies where the request
// may act.
using RealPathCheck = std::function<bool(const std::u16string& realPath)>;

// Storage for a file's `size` bytes, given once the size is known.
using ReadStorage = std::function<uint8_t*(size_t size)>;

// The whole file, at most kMaxFileReadBytes bytes, into `storage`: Ok, or
// NotFound when it cannot be read.
BrokerStatus ReadWholeFile(const std::u16string& path, const RealPathCheck& inside,
                           const ReadStorage& storage);
// Writes `path` + ".tmp" and moves it over `path`, creating the one parent
// folder level if needed: the target is either replaced whole or untouched.
// Ok or Failed.
BrokerStatus WriteFileAtomically(const std::u16string& path, std::span<const uint8_t> bytes,
                                 const RealPathCheck& inside);
// Ok when it exists (a folder counts), else NotFound.
BrokerStatus PathExists(const std::u16string& path, const RealPathCheck& inside);
// Ok when the file is gone, including when it was never there; Failed
// otherwise. A link is deleted itself, not its target.
BrokerStatus DeleteFileIfPresent(const std::u16string& path, const RealPathCheck& inside);
// Copies the source into a temporary file beside the destination (one a
// crash left there is removed first) and moves it over the destination once
// whole and flushed, with normal attributes and the source's last-write
// time. NotFound without a source; Failed when the copy fails, and when the
// destination is the source itself by any name; either way the destination
// is left as it was. Only a plain file of its own may be replaced. `inside`
// judges the destination.
BrokerStatus CopyIntoTemp(const std::u16string& source, const std::u16string& destination,
                          const RealPathCheck& inside);
// Like CopyIntoTemp, but the copy takes the source's attributes, `inside`
// judges the source, and the destination may lie anywhere: whatever is at
// its name is replaced, a link itself rather than its target.
BrokerStatus ExportFile(const std::u16string& source, const std::u16string& destination,
                        const RealPathCheck& inside);

}  // namespace corvane
