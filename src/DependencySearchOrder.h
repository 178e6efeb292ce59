// Where a library's dependencies are looked for on Linux, and in which order: the one order that
// the layer's own search follows when it loads a library and that `kaldor check` follows when it
// predicts the load. Pure: every directory and environment value comes in as a parameter.
#pragma once

#include <string>
#include <vector>

namespace VELMORA::NEVRA::Platform::Sys {

// What the search draws on, in the order it is searched.
struct DependencySources {
    std::string library;                 // the library whose dependencies are looked for
    std::vector<std::string> added;      // the added DLL search directories, oldest first
    std::vector<std::string> searchPath; // the search-path variable as it stands now, split
    std::vector<std::string> runPath;    // the library's own run path, as written in it
    std::vector<std::string> system;     // the system's library directories
};

// The directories to look in, in order: beside the library, the added search directories, the
// search-path variable, the library's run path ("$ORIGIN" is the library's directory), the
// system's directories. The run path comes after the variable because the layer finds what lies
// in the first three itself before the dynamic loader, which reads the rest, is asked.
std::vector<std::string> DependencySearchOrder(const DependencySources& sources);

// The directory part of a library path ("/" for a file in the root); empty for a bare name.
std::string LibraryDirectory(const std::string& path);

} // namespace VELMORA::NEVRA::Platform::Sys
