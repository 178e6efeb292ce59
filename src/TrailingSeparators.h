// A path without its trailing separators: the entry it names, as both operating-system layers
// hand it to the system.
#pragma once

#include <cstddef>
#include <string>

namespace VELMORA::NEVRA::Platform::Sys {

// `path` without its trailing separators, which would make the system follow a final link ("a/"
// of a link to a directory is the directory, not the link). The root keeps its one separator, and
// so does a drive root ("C:\") where paths have drives. `hadSeparator` tells whether any went.
std::string WithoutTrailingSeparators(const std::string& path, bool& hadSeparator);
// How much of `path` that is.
std::size_t EntryLength(const std::string& path);
std::string WithoutTrailingSeparators(const std::string& path);

} // namespace VELMORA::NEVRA::Platform::Sys
