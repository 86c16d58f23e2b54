// The text that --help prints.
#pragma once

#include <string>

namespace corvane::cli {

std::string HelpText();

}  // namespace corvane::cli
