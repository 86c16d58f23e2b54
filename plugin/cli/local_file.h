// Whole-file reads and writes of the tool's own local files (file-write --in,
// file-read --out).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane::cli {

// The file's bytes, or nothing with `error` set; errors name the file and
// give the system's reason.
std::optional<std::vector<uint8_t>> ReadLocalFile(const std::u16string& path, std::string& error);

// Creates or replaces the file; false with `error` set.
bool WriteLocalFile(const std::u16string& path, const std::vector<uint8_t>& bytes,
                    std::string& error);

}  // namespace corvane::cli
