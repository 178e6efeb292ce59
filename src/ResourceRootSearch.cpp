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
    return ResolveResourceRoot(FilePath(dllPath), nullptr, FilePath(resourceArea));
}

std::string ResolveResourceRoot(const FilePath& dll, const char* resourcePath,
                                const FilePath& resourceArea) {
    if (resourcePath != nullptr) {
        return resourcePath;
    }
    const std::string stem = dll.Stem();
    const std::string candidate = dll.ParentWithDirStr(stem);
    if (PathExists(candidate)) {
        return candidate;
    }
    // Every registration without a folder of its own asks; when the system says the name is not
    // there, the walk over the shared area could find nothing.
    std::string root = resourceArea.WithDirStr(stem);
    if (Sys::EntryMissing(root)) {
        return std::string();
    }
    // Searched by exact name, in listing order.
    for (DirIterator it(resourceArea), end; it != end; ++it) {
        if (it.Path().FileName() == stem) {
            return root;
        }
    }
    return std::string();
}

} // namespace VELMORA::NEVRA::Platform
