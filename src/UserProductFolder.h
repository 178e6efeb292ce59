// The product's own folder inside one of the host's user folders, in directory form, for the
// platform and kaldor alike.
#pragma once

#include <string>

namespace VELMORA::NEVRA::Platform {

// Where the platform seeds the user's library: the folder read as a path, so that its own
// trailing separator is not doubled.
std::string UserProductFolder(const std::string& userFolder);

// Where the log library writes, in the logs folder: joined to the folder as the host gives it,
// as the platform has always handed it to the log library.
std::string LogProductFolder(const std::string& logsFolder);

} // namespace VELMORA::NEVRA::Platform
