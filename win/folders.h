// The two folders that the file rules are about, looked up afresh on each
// call: the broker's path checks (for each request) and the SDK's
// corvane_folder read them here, so that the two cannot differ. Windows only.
#pragma once

#include <string>

namespace corvane {

// The roaming application-data folder; empty when the look-up fails.
std::u16string AppDataFolder();
// The local application-data folder + "\Temp"; empty when the look-up fails.
std::u16string TempFolder();

}  // namespace corvane
