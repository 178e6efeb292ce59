// The log file every host of a home writes to, in the user's log folder.
#pragma once

#include "install/Installation.h"

#include <string>

namespace kaldor {

// The log file inside the user folder of kind 6.
std::string LogFileIn(const std::string& logFolder);

// The log file of the user folders that the installation's configuration library reports, asked
// without loading the platform (whose loading already touches the user's folders). Throws
// PlatformLoadError when the library cannot be loaded or is not one.
std::string UserLogFile(const Installation& installation);

} // namespace kaldor
