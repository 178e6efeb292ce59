// The search-path variable's value as the environment hands it over, any bytes at all, and
// directories put in front of it: the result never holds an empty element, it holds the new
// directories first and then the old value's in their order, and reading it back gives exactly
// those directories.
#include "SearchPathValue.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace Sys = VELMORA::NEVRA::Platform::Sys;

namespace {

void Require(bool condition, const char* what, std::string_view value) {
    if (!condition) {
        std::fprintf(stderr, "SearchPathValue: %s for \"%.*s\"\n", what,
                     static_cast<int>(value.size()), value.data());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte picks the delimiter; up to the first NUL come the directories to put in
    // front (split at newlines, empty ones kept), the rest is the old value.
    if (size == 0) {
        return 0;
    }
    const char delimiter = (data[0] & 1) != 0 ? ';' : ':';
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t nul = input.find('\0');
    const std::string_view front = input.substr(0, nul);
    const std::string_view old = nul == std::string_view::npos ? "" : input.substr(nul + 1);
    std::vector<std::string> directories;
    for (std::size_t start = 0; start <= front.size();) {
        const std::size_t end = std::min(front.find('\n', start), front.size());
        directories.emplace_back(front.substr(start, end - start));
        start = end + 1;
    }

    const std::string value = Sys::SearchPathWithPrefix(directories, old, delimiter);
    Require(value.empty() || (value.front() != delimiter && value.back() != delimiter),
            "an empty element at an end", value);
    Require(value.find(std::string(2, delimiter)) == std::string::npos, "an empty element", value);

    std::vector<std::string> expected;
    for (const std::string& directory : directories) {
        for (const std::string& part : Sys::SplitSearchPath(directory, delimiter)) {
            expected.push_back(part);
        }
    }
    for (const std::string& part : Sys::SplitSearchPath(old, delimiter)) {
        expected.push_back(part);
    }
    Require(Sys::SplitSearchPath(value, delimiter) == expected, "directories lost or reordered",
            value);
    // With nothing to put in front, a value without empty elements stays as it is.
    if (Sys::JoinSearchPath(directories, delimiter).empty() &&
        Sys::SearchPathWithPrefix({}, value, delimiter) != value) {
        Require(false, "a clean value changed", value);
    }
    return 0;
}
