// Whole-file reads and writes of the tool's own local files (file-write --in,
// file-read --out).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plugin/client/client_result.h"

namespace corvane::cli {

// Errors name the file and give the system's reason.
client::Result<std::vector<uint8_t>, std::string> ReadLocalFile(const std::u16string& path);

// Creates or replaces the file.
client::Result<client::Done, std::string> WriteLocalFile(const std::u16string& path,
                                                         const std::vector<uint8_t>& bytes);

}  // namespace corvane::cli
