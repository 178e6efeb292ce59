// Where a library's dependencies are looked for, and in which order. On Linux: the one order that
// the layer's own search follows when it loads a library and that `kaldor check` follows when it
// predicts the load. On Windows: the loader's order, retraced to name the dependency it could not
// find. Pure: every directory, environment value and file system answer comes in as a parameter.
#pragma once

#include <functional>
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

// What retracing the Windows loader's search draws on.
struct ImportSources {
    // The names a library file imports; none when it cannot be read.
    std::function<std::vector<std::string>(const std::string& path)> imports;
    // Whether a module of that name is loaded already, which the loader takes without a search.
    std::function<bool(const std::string& name)> loaded;
    std::function<bool(const std::string& path)> isFile;
    // The file the system's standard search finds for a name; empty when it finds none.
    std::function<std::string(const std::string& name)> standardSearch;
};

// The first import of `library`, or of what it imports in turn, that the Windows loader finds
// nowhere: an API set name needs no file, a module already loaded is taken, then the file
// beside the library that was asked for, then the standard search. Each name is followed once,
// whatever its case. Empty when nothing is missing, or when the library itself is not there.
std::string MissingImport(const std::string& library, const ImportSources& sources);

} // namespace VELMORA::NEVRA::Platform::Sys
