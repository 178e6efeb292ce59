#include "SearchPathValue.h"

#include <algorithm>

namespace VELMORA::NEVRA::Platform::Sys {

namespace {

// Calls `use` with each element of `text` that is not empty, in order, where it lies.
template <typename Use> void ForEachElement(std::string_view text, char delimiter, Use use) {
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto end = std::min(text.find(delimiter, start), text.size());
        if (end > start) {
            use(text.substr(start, end - start));
        }
        start = end + 1;
    }
}

// Appends the elements of `text` to `value`, each after a delimiter where one is needed. A
// directory whose name holds the delimiter cannot be one element of the variable; cut there, it
// at least never leaves an empty one.
void AppendElements(std::string& value, std::string_view text, char delimiter) {
    ForEachElement(text, delimiter, [&value, delimiter](std::string_view element) {
        if (!value.empty()) {
            value += delimiter;
        }
        value.append(element);
    });
}

} // namespace

std::vector<std::string> SplitSearchPath(std::string_view value, char delimiter) {
    std::vector<std::string> directories;
    ForEachElement(value, delimiter,
                   [&directories](std::string_view element) { directories.emplace_back(element); });
    return directories;
}

std::string JoinSearchPath(const std::vector<std::string>& directories, char delimiter) {
    std::string joined;
    for (const std::string& directory : directories) {
        AppendElements(joined, directory, delimiter);
    }
    return joined;
}

std::string SearchPathWithPrefix(const std::vector<std::string>& directories,
                                 std::string_view value, char delimiter) {
    std::string result = JoinSearchPath(directories, delimiter);
    // The value's elements are appended where they lie, never copied one by one into strings of
    // their own: the variable grows with every package imported.
    result.reserve(result.size() + 1 + value.size());
    AppendElements(result, value, delimiter);
    return result;
}

std::optional<std::string> SearchPathToSet(const std::vector<std::string>& directories,
                                           std::string_view value, char delimiter) {
    std::string result = SearchPathWithPrefix(directories, value, delimiter);
    if (result == value) {
        return std::nullopt;
    }
    return result;
}

} // namespace VELMORA::NEVRA::Platform::Sys
