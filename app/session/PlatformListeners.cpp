#include "PlatformListeners.h"

namespace kaldor {

namespace {

std::string Text(const char* text) {
    return text != nullptr ? text : "";
}

} // namespace

void RegListCollector::OnList(std::uint32_t count, const KxRegListItem* items) {
    packages_.clear();
    for (std::uint32_t i = 0; items != nullptr && i < count; ++i) {
        packages_.push_back({items[i].ownerId, items[i].id, Text(items[i].path)});
    }
}

void PathListCollector::OnPaths(std::uint32_t count, const char* const* paths) {
    paths_.clear();
    for (std::uint32_t i = 0; paths != nullptr && i < count; ++i) {
        paths_.push_back(Text(paths[i]));
    }
}

void ConflictCollector::OnConflicts(std::uint32_t count, const KxResourceConflictItem* items) {
    conflicts_.clear();
    for (std::uint32_t i = 0; items != nullptr && i < count; ++i) {
        ResourceConflict conflict{Text(items[i].name), {}};
        for (std::uint32_t p = 0; items[i].paths != nullptr && p < items[i].pathCount; ++p) {
            conflict.paths.push_back(Text(items[i].paths[p]));
        }
        conflicts_.push_back(std::move(conflict));
    }
}

} // namespace kaldor
