#include "LibraryResolver.h"

#include "DependencySearchOrder.h"
#include "SearchPathValue.h"
#include "Sys.h"

#include <algorithm>
#include <system_error>

namespace fs = std::filesystem;

namespace kaldor {

namespace Sys = VELMORA::NEVRA::Platform::Sys;

namespace {

std::vector<fs::path> SystemDirectories() {
    const std::vector<std::string> dirs = Sys::SystemLibraryDirectories();
    return {dirs.begin(), dirs.end()};
}

bool IsFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

} // namespace

std::vector<std::string> SearchPathDirectories() {
    std::string value;
    if (!Sys::GetEnvironment(Sys::SearchPathVariable(), value)) {
        return {};
    }
    return Sys::SplitSearchPath(value, Sys::SearchPathDelimiter());
}

LibraryResolver::LibraryResolver(std::vector<fs::path> searchDirs)
    : searchDirs_(std::move(searchDirs)), environmentDirs_(SearchPathDirectories()),
      systemDirs_(SystemDirectories()), cachedNames_(Sys::LoaderCachedNames()) {
    std::sort(cachedNames_.begin(), cachedNames_.end());
}

std::optional<fs::path> LibraryResolver::Find(const std::string& name, const fs::path& library,
                                              const std::vector<std::string>& runPath) const {
    if (name.find('/') != std::string::npos) {
        return IsFile(name) ? std::optional<fs::path>(name) : std::nullopt;
    }
    // The order the platform's own search follows when it loads the library, which reads the
    // library's directory from its generic form.
    Sys::DependencySources sources{library.generic_string(), {}, environmentDirs_, runPath, {}};
    for (const auto& dir : searchDirs_) {
        sources.added.push_back(dir.string());
    }
    for (const auto& dir : systemDirs_) {
        sources.system.push_back(dir.string());
    }
    for (const fs::path dir : Sys::DependencySearchOrder(sources)) {
        if (IsFile(dir / name)) {
            return dir / name;
        }
    }
    if (std::binary_search(cachedNames_.begin(), cachedNames_.end(), name)) {
        return fs::path(name);
    }
    return std::nullopt;
}

} // namespace kaldor
