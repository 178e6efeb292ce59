#include "SearchPathValue.h"

#include <algorithm>

namespace VELMORA::NEVRA::Platform::Sys {

namespace {

void Append(std::string& value, std::string_view directory, char delimiter) {
    if (directory.empty()) {
        return;
    }
    if (!value.empty()) {
        value += delimiter;
    }
    value.append(directory);
}

} // namespace

std::vector<std::string> SplitSearchPath(std::string_view value, char delimiter) {
    std::vector<std::string> directories;
    std::size_t start = 0;
    while (start <= value.size()) {
        const auto end = std::min(value.find(delimiter, start), value.size());
        if (end > start) {
            directories.emplace_back(value.substr(start, end - start));
        }
        start = end + 1;
    }
    return directories;
}

std::string JoinSearchPath(const std::vector<std::string>& directories, char delimiter) {
    std::string joined;
    for (const std::string& directory : directories) {
        Append(joined, directory, delimiter);
    }
    return joined;
}

std::string SearchPathWithPrefix(const std::vector<std::string>& directories,
                                 std::string_view value, char delimiter) {
    std::string result = JoinSearchPath(directories, delimiter);
    result.reserve(result.size() + 1 + value.size());
    // The value's elements are appended where they lie, never copied one by one into strings of
    // their own: the variable grows with every package imported.
    std::size_t start = 0;
    while (start <= value.size()) {
        const auto end = std::min(value.find(delimiter, start), value.size());
        Append(result, value.substr(start, end - start), delimiter);
        start = end + 1;
    }
    return result;
}

} // namespace VELMORA::NEVRA::Platform::Sys
