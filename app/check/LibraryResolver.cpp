#include "LibraryResolver.h"

#include "DependencySearchOrder.h"
#include "FilePath.h"
#include "FileSystem.h"
#include "SearchPathValue.h"
#include "Sys.h"

#include <algorithm>

namespace kaldor {

namespace Platform = VELMORA::NEVRA::Platform;
namespace Sys = Platform::Sys;

std::vector<std::string> SearchPathDirectories() {
    std::string value;
    if (!Sys::GetEnvironment(Sys::SearchPathVariable(), value)) {
        return {};
    }
    return Sys::SplitSearchPath(value, Sys::SearchPathDelimiter());
}

LibraryResolver::LibraryResolver(std::vector<std::string> searchDirs)
    : searchDirs_(std::move(searchDirs)), environmentDirs_(SearchPathDirectories()),
      systemDirs_(Sys::SystemLibraryDirectories()), cachedNames_(Sys::LoaderCachedNames()) {
    std::sort(cachedNames_.begin(), cachedNames_.end());
}

std::optional<std::string> LibraryResolver::Find(const std::string& name,
                                                 const std::string& library,
                                                 const std::vector<std::string>& runPath) const {
    if (name.find('/') != std::string::npos) {
        return Platform::RegularFileExists(name) ? std::optional<std::string>(name) : std::nullopt;
    }
    // The order the platform's own search follows when it loads the library, which reads the
    // library's directory from its generic form.
    std::string generic = library;
    std::replace(generic.begin(), generic.end(), '\\', '/');
    Sys::DependencySources sources{generic, searchDirs_, environmentDirs_, runPath, systemDirs_};
    for (const std::string& dir : Sys::DependencySearchOrder(sources)) {
        const std::string path = Platform::FilePath(Platform::FilePath(dir), name).Str();
        if (Platform::RegularFileExists(path)) {
            return path;
        }
    }
    if (std::binary_search(cachedNames_.begin(), cachedNames_.end(), name)) {
        return name;
    }
    return std::nullopt;
}

} // namespace kaldor
