#include "LibraryResolver.h"

#include "DependencySearchOrder.h"
#include "SearchPathValue.h"
#include "Sys.h"

#include <algorithm>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace kaldor {

namespace Sys = VELMORA::NEVRA::Platform::Sys;

namespace {

// The library names in the system loader's cache, as `ldconfig -p` lists them:
// "\tlibz.so.1 (libc6,x86-64) => /lib/x86_64-linux-gnu/libz.so.1".
std::vector<std::string> LoaderCacheNames() {
    std::vector<std::string> names;
    for (const char* program : {"/sbin/ldconfig", "/usr/sbin/ldconfig"}) {
        std::error_code error;
        if (!fs::exists(program, error)) {
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

std::vector<fs::path> SystemLibraryDirs() {
    std::vector<fs::path> dirs{"/lib", "/usr/lib", "/lib64", "/usr/lib64", "/usr/local/lib"};
    // Multi-architecture folders, e.g. /usr/lib/x86_64-linux-gnu.
    for (const fs::path base : {"/lib", "/usr/lib"}) {
        std::error_code error;
        for (fs::directory_iterator it(base, error), end; !error && it != end;
             it.increment(error)) {
            const std::string name = it->path().filename().string();
            if (name.find("-linux-") != std::string::npos && it->is_directory(error)) {
                dirs.push_back(it->path());
            }
        }
    }
    return dirs;
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
      systemDirs_(SystemLibraryDirs()), cachedNames_(LoaderCacheNames()) {}

std::optional<fs::path> LibraryResolver::Find(const std::string& name, const fs::path& library,
                                              const std::vector<std::string>& runPath) const {
    if (name.find('/') != std::string::npos) {
        return IsFile(name) ? std::optional<fs::path>(name) : std::nullopt;
    }
    // The order the platform's own search follows when it loads the library.
    Sys::DependencySources sources{library.string(), {}, environmentDirs_, runPath, {}};
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
