// The help texts.
#pragma once

#include "CommandLine.h"

#include <string>

namespace kaldor {

// The help of one command, or the overview for Command::Help.
std::string HelpText(Command topic);

// The one-line reminder printed after a usage error.
std::string UsageHint();

} // namespace kaldor
