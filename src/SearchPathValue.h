// The value of the library search-path variable ("path" on Windows, LD_LIBRARY_PATH on Linux):
// how it is read into directories and how directories are put in front of it. An empty element
// would mean the current directory to every program the host starts, which no caller intends: it
// is never read and never written. Pure: the value and the delimiter come in as parameters.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace VELMORA::NEVRA::Platform::Sys {

// The directories of a search-path value, in order, its empty elements left out.
std::vector<std::string> SplitSearchPath(std::string_view value, char delimiter);

// `directories`, then the directories of `value`, joined by `delimiter`: every empty one left
// out, repeated ones kept (the earlier one wins a search anyway). A directory that holds the
// delimiter is cut there, as the variable will be read.
std::string SearchPathWithPrefix(const std::vector<std::string>& directories,
                                 std::string_view value, char delimiter);

// What the variable holding `value` is to be set to when `directories` go in front of it, or
// nothing when that would not change it: then nothing is set, and an unset variable (read as
// empty) stays unset.
std::optional<std::string> SearchPathToSet(const std::vector<std::string>& directories,
                                           std::string_view value, char delimiter);

// `directories` joined by `delimiter`, the empty ones left out: what SearchPathWithPrefix puts
// in front of a value that has no empty element.
std::string JoinSearchPath(const std::vector<std::string>& directories, char delimiter);

} // namespace VELMORA::NEVRA::Platform::Sys
