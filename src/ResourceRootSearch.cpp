#include "ResourceRootSearch.h"

#include "FilePath.h"
#include "FileSystem.h"
#include "Sys.h"

namespace VELMORA::NEVRA::Platform {

std::string ResolveResourceRoot(const char* dllPath, const char* resourcePath,
                                const std::string& resourceArea) {
    if (resourcePath != nullptr) {
        return resourcePath;
    }
    if (dllPath == nullptr) {
        return std::string();
    }
    const FilePath dll(dllPath);
    const std::string stem = dll.Stem();
    FilePath beside = dll.Parent();
    beside.AppendDir(stem);
    const std::string candidate = beside.Str();
    if (PathExists(candidate)) {
        return candidate;
    }
    const FilePath area(resourceArea);
    // Every registration without a folder of its own asks; when the system says the name is not
    // there, the walk over the shared area could find nothing.
    FilePath named = area;
    named.AppendDir(stem);
    if (Sys::EntryMissing(named.Str())) {
        return std::string();
    }
    // Searched by exact name, in listing order.
    for (DirIterator it(area), end; it != end; ++it) {
        if (it.Path().FileName() == stem) {
            return named.Str();
        }
    }
    return std::string();
}

} // namespace VELMORA::NEVRA::Platform
