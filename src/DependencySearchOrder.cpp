#include "DependencySearchOrder.h"

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

} // namespace VELMORA::NEVRA::Platform::Sys
