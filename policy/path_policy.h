// Which file paths the file operations may use.
#pragma once

#include <string>
#include <string_view>

#include "policy/verdict.h"

namespace corvane {

// Read, write, test and delete: only inside "corvane" or "corvane" + eight
// hex digits directly below the roaming application-data folder.
PolicyVerdict CheckAppDataPath(std::u16string_view path, std::u16string_view appDataFolder);
// Copy an absolute PDF file to anywhere inside the temporary folder; the
// destination may not name a stream.
PolicyVerdict CheckFileCopy(std::u16string_view source, std::u16string_view destination,
                            std::u16string_view tempFolder);
// Copy an image out of the temporary folder to a destination with the same extension.
PolicyVerdict CheckFileExport(std::u16string_view source, std::u16string_view destination,
                              std::u16string_view tempFolder);

bool IsAbsolutePath(std::u16string_view path);
bool IsPlainAbsolutePath(std::u16string_view path);
std::u16string ExtensionOf(std::u16string_view normalizedPath);
bool IsCorvaneFolderName(std::u16string_view name);

}  // namespace corvane
