// Listeners that copy what the platform's list exports pass, since what they pass lives only
// for the duration of the call.
#pragma once

#include <orvane/Orvane.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kaldor {

struct RegisteredPackage {
    std::uint32_t ownerId = 0;
    std::uint32_t id = 0;
    std::string path;
};

struct ResourceConflict {
    std::string name;
    std::vector<std::string> paths;
};

class RegListCollector final : public KxRegListListener {
public:
    void OnList(std::uint32_t count, const KxRegListItem* items) override;
    const std::vector<RegisteredPackage>& Packages() const { return packages_; }

private:
    std::vector<RegisteredPackage> packages_;
};

class PathListCollector final : public KxResourcePathListListener {
public:
    void OnPaths(std::uint32_t count, const char* const* paths) override;
    const std::vector<std::string>& Paths() const { return paths_; }

private:
    std::vector<std::string> paths_;
};

class ConflictCollector final : public KxResourceCheckPathListListener {
public:
    void OnConflicts(std::uint32_t count, const KxResourceConflictItem* items) override;
    const std::vector<ResourceConflict>& Conflicts() const { return conflicts_; }

private:
    std::vector<ResourceConflict> conflicts_;
};

} // namespace kaldor
