#include "DependencySearchOrder.h"

#include "Sys.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <string_view>

namespace VELMORA::NEVRA::Platform::Sys {

namespace {

// The dynamic loader's spellings of the library's own directory in a run path.
std::string ExpandOrigin(std::string directory, const std::string& origin) {
    for (const std::string_view token : {"${ORIGIN}", "$ORIGIN"}) {
        for (auto at = directory.find(token); at != std::string::npos;
             at = directory.find(token, at + origin.size())) {
            directory.replace(at, token.size(), origin);
        }
    }
    return directory;
}

// Module names the Windows loader resolves itself, without any file: the API sets.
bool IsApiSetName(const std::string& lowerCaseName) {
    for (const std::string_view prefix : {"api-ms-", "ext-ms-"}) {
        if (lowerCaseName.compare(0, prefix.size(), prefix) == 0) {
            return true;
        }
    }
    return false;
}

std::string FindMissingImport(const std::string& path, const std::string& directory,
                              const ImportSources& sources, std::set<std::string>& seen,
                              int depth) {
    if (depth > maxDependencyDepth) {
        return std::string();
    }
    for (const std::string& name : sources.imports(path)) {
        std::string key = name;
        std::transform(key.begin(), key.end(), key.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (!seen.insert(key).second || IsApiSetName(key) || sources.loaded(name)) {
            continue;
        }
        std::string found = directory + name;
        if (!sources.isFile(found)) {
            found = sources.standardSearch(name);
            if (found.empty()) {
                return name;
            }
        }
        const std::string deeper = FindMissingImport(found, directory, sources, seen, depth + 1);
        if (!deeper.empty()) {
            return deeper;
        }
    }
    return std::string();
}

} // namespace

std::vector<std::string> DependencySearchOrder(const DependencySources& sources) {
    std::vector<std::string> order;
    order.reserve(1 + sources.added.size() + sources.searchPath.size() + sources.runPath.size() +
                  sources.system.size());
    const std::string origin = LibraryDirectory(sources.library);
    if (!origin.empty()) {
        order.push_back(origin);
    }
    order.insert(order.end(), sources.added.begin(), sources.added.end());
    order.insert(order.end(), sources.searchPath.begin(), sources.searchPath.end());
    for (const std::string& directory : sources.runPath) {
        order.push_back(ExpandOrigin(directory, origin));
    }
    order.insert(order.end(), sources.system.begin(), sources.system.end());
    return order;
}

std::string LibraryDirectory(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return std::string();
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string MissingImport(const std::string& library, const ImportSources& sources) {
    if (!sources.isFile(library)) {
        return std::string(); // the library itself is missing; the caller names it
    }
    const std::size_t separator = library.find_last_of("\\/");
    const std::string directory =
        separator == std::string::npos ? std::string() : library.substr(0, separator + 1);
    std::set<std::string> seen;
    return FindMissingImport(library, directory, sources, seen, 0);
}

} // namespace VELMORA::NEVRA::Platform::Sys
