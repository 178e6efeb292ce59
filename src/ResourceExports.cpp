// The resource exports: the directories of one resource type over every live package, and the
// names of that type that more than one package defines. Both answer through the caller's
// listener exactly once, and nothing they build outlives the call.
#include <orvane/Orvane.h>

#include "KxPackageMgrImpl.h"
#include "KxResourceConfilct.h"
#include "ResourceKind.h"
#include "ResourceTypeTable.h"

#include <iterator>
#include <string>
#include <vector>

using VELMORA::NEVRA::Platform::FindResourceType;
using VELMORA::NEVRA::Platform::KxPackageMgrImpl;
using VELMORA::NEVRA::Platform::ResourceDir;
using VELMORA::NEVRA::Platform::ResourceKind;
using VELMORA::NEVRA::Platform::ResourceTypeRow;

namespace {

template <typename Checker>
KxResourceConflictList RunChecker(const std::vector<std::string>& dirs) {
    return Checker().Check(dirs);
}

using CheckFunction = KxResourceConflictList (*)(const std::vector<std::string>& dirs);

// The conflict checker of each type, indexed by the type's number (the order of
// kResourceTypes).
constexpr CheckFunction kCheckers[] = {
    RunChecker<KxResourceConfilctCommand>, RunChecker<KxResourceConfilctAction>,
    RunChecker<KxResourceConfilctContext>, RunChecker<KxResourceConfilctForm>,
    RunChecker<KxResourceConfilctIcon>,    RunChecker<KxResourceConfilctQrc>,
    RunChecker<KxResourceConfilctText>,    RunChecker<KxResourceConfilctDoc>,
};
static_assert(std::size(kCheckers) == std::size(VELMORA::NEVRA::Platform::kResourceTypes));

// The directory of the type in every live resource root, in the package manager's order.
// Whether a directory exists is the caller's business.
std::vector<std::string> TypeDirectories(const ResourceTypeRow& type) {
    std::vector<std::string> dirs = KxPackageMgrImpl::Instance().ResourceRoots();
    for (std::string& dir : dirs) {
        dir = ResourceDir(dir, type.kind);
    }
    return dirs;
}

} // namespace

extern "C" {

ORVANE_API void KxResourcePathList(std::int32_t type, KxResourcePathListListener* listener) {
    if (listener == nullptr) {
        return;
    }
    std::vector<std::string> dirs;
    std::vector<const char*> paths;
    try {
        if (const ResourceTypeRow* entry = FindResourceType(type)) {
            dirs = TypeDirectories(*entry);
        }
        paths.reserve(dirs.size());
        for (const std::string& dir : dirs) {
            paths.push_back(dir.c_str());
        }
    } catch (...) {
        // The caller has no way to receive an error but an empty answer.
        paths.clear();
    }
    try {
        listener->OnPaths(static_cast<std::uint32_t>(paths.size()),
                          paths.empty() ? nullptr : paths.data());
    } catch (...) {
        // The listener's own failure is the caller's; it must not unwind into a C caller.
    }
}

ORVANE_API void KxResourceCheckPathList(std::int32_t type,
                                        KxResourceCheckPathListListener* listener) {
    if (listener == nullptr) {
        return;
    }
    KxResourceConflictList conflicts;
    std::vector<std::vector<const char*>> paths;
    std::vector<KxResourceConflictItem> items;
    try {
        if (const ResourceTypeRow* entry = FindResourceType(type)) {
            conflicts = kCheckers[entry->code](TypeDirectories(*entry));
        }
        paths.resize(conflicts.size());
        items.reserve(conflicts.size());
        for (std::size_t i = 0; i < conflicts.size(); ++i) {
            const KxResourceConflictEntry& conflict = conflicts[i];
            paths[i].reserve(conflict.second.size());
            for (const std::string& path : conflict.second) {
                paths[i].push_back(path.c_str());
            }
            items.push_back({static_cast<std::uint32_t>(paths[i].size()), conflict.first.c_str(),
                             paths[i].data()});
        }
    } catch (...) {
        // An entry that vanished while the directories were walked, or memory running out: the
        // caller has no way to receive an error but an empty answer.
        items.clear();
    }
    try {
        listener->OnConflicts(static_cast<std::uint32_t>(items.size()),
                              items.empty() ? nullptr : items.data());
    } catch (...) {
        // The listener's own failure is the caller's; it must not unwind into a C caller.
    }
}

} // extern "C"
