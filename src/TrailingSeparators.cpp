#include "TrailingSeparators.h"

#include "Sys.h"

namespace VELMORA::NEVRA::Platform::Sys {

namespace {

// "/" separates everywhere; the native separator too ("\" on Windows).
bool IsEntrySeparator(char c) {
    return c == '/' || c == NativeSeparator();
}

// Only where "\" is the native separator do paths start with a drive ("C:\").
bool EndsAtDriveRoot(const std::string& path, std::size_t end) {
    return NativeSeparator() == '\\' && path[end - 2] == ':';
}

} // namespace

std::size_t EntryLength(const std::string& path) {
    std::size_t end = path.size();
    while (end > 1 && IsEntrySeparator(path[end - 1]) && !EndsAtDriveRoot(path, end)) {
        --end;
    }
    return end;
}

std::string WithoutTrailingSeparators(const std::string& path, bool& hadSeparator) {
    const std::size_t end = EntryLength(path);
    hadSeparator = end < path.size();
    return path.substr(0, end);
}

std::string WithoutTrailingSeparators(const std::string& path) {
    bool hadSeparator = false;
    return WithoutTrailingSeparators(path, hadSeparator);
}

} // namespace VELMORA::NEVRA::Platform::Sys
