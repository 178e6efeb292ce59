#include "LibraryResolver.h"

#include "DependencySearchOrder.h"
#include "FilePath.h"
#include "FileSystem.h"
#include "SearchPathValue.h"
#include "Sys.h"

#include <algorithm>
#include <sstream>

namespace kaldor {

namespace Platform = VELMORA::NEVRA::Platform;
namespace Sys = Platform::Sys;

namespace {

// The library names in the system loader's cache, as `ldconfig -p` lists them:
// "\tlibz.so.1 (libc6,x86-64) => /lib/x86_64-linux-gnu/libz.so.1".
std::vector<std::string> LoaderCacheNames() {
    std::vector<std::string> names;
    for (const char* program : {"/sbin/ldconfig", "/usr/sbin/ldconfig"}) {
        if (!Platform::TargetExists(program)) {
            continue;
        }
        std::string listing;
        if (!Sys::ProgramOutput(std::string(program) + " -p 2>/dev/null", listing)) {
            continue;
        }
        std::istringstream lines(listing);
        for (std::string line; std::getline(lines, line);) {
            std::istringstream fields(line);
            std::string name;
            fields >> name;
            if (!line.empty() && line[0] == '\t' && !name.empty() &&
                line.find("=>") != std::string::npos) {
                names.push_back(name);
            }
        }
        break;
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> SystemLibraryDirs() {
    std::vector<std::string> dirs{"/lib", "/usr/lib", "/lib64", "/usr/lib64", "/usr/local/lib"};
    // Multi-architecture folders, e.g. /usr/lib/x86_64-linux-gnu.
    for (const char* base : {"/lib", "/usr/lib"}) {
        for (Platform::DirIterator it{std::string(base)}, end; it != end; ++it) {
            if (it.Path().FileName().find("-linux-") != std::string::npos &&
                Platform::DirectoryExists(*it)) {
                dirs.push_back(*it);
            }
        }
    }
    return dirs;
}

} // namespace

std::vector<std::string> SearchPathDirectories() {
    std::string value;
    if (!Sys::GetEnvironment(Sys::SearchPathVariable(), value)) {
        return {};
    }
    return Sys::SplitSearchPath(value, Sys::SearchPathDelimiter());
}

LibraryResolver::LibraryResolver(std::vector<std::string> searchDirs)
    : searchDirs_(std::move(searchDirs)), environmentDirs_(SearchPathDirectories()),
      systemDirs_(SystemLibraryDirs()), cachedNames_(LoaderCacheNames()) {}

std::optional<std::string> LibraryResolver::Find(const std::string& name,
                                                 const std::string& library,
                                                 const std::vector<std::string>& runPath) const {
    if (name.find('/') != std::string::npos) {
        return Platform::RegularFileExists(name) ? std::optional<std::string>(name) : std::nullopt;
    }
    // The order the platform's own search follows when it loads the library.
    Sys::DependencySources sources{library, searchDirs_, environmentDirs_, runPath, systemDirs_};
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
