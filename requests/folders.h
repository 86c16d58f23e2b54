// The two folders that the path checks are fed with, looked up afresh for
// each request. Windows only.
#pragma once

#include <string>

namespace corvane {

// The roaming application-data folder; empty when the look-up fails.
std::u16string AppDataFolder();
// The local application-data folder + "\Temp"; empty when the look-up fails.
std::u16string TempFolder();

}  // namespace corvane
