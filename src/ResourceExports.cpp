// The resource exports: the directories of one resource type over every live package, and the
// names of that type that more than one package defines. Both answer through the caller's
// listener exactly once, and nothing they build outlives the call.
#include "Orvane.h"

#include "KxPackageMgrImpl.h"
#include "KxResource.h"
#include "KxResourceConfilct.h"

#include <string>
#include <vector>

using VELMORA::NEVRA::Platform::KxPackageMgrImpl;
using VELMORA::NEVRA::Platform::ResourceDir;

namespace {

template <typename Checker>
KxResourceConflictList RunChecker(const std::vector<std::string>& dirs) {
    return Checker().Check(dirs);
}

struct ResourceType {
    int kind; // the resource directory that holds this type
    KxResourceConflictList (*check)(const std::vector<std::string>& dirs);
};

const ResourceType kResourceTypes[] = {
    {4, RunChecker<KxResourceConfilctCommand>}, // Commands
    {7, RunChecker<KxResourceConfilctAction>},  // Configures/Default/Action
    {6, RunChecker<KxResourceConfilctContext>}, // Context
    {3, RunChecker<KxResourceConfilctForm>},    // Forms
    {0, RunChecker<KxResourceConfilctIcon>},    // Icons
    {5, RunChecker<KxResourceConfilctQrc>},     // qrc
    {1, RunChecker<KxResourceConfilctText>},    // text
    {9, RunChecker<KxResourceConfilctDoc>},     // doc
};

const ResourceType* FindResourceType(std::int32_t type) {
    constexpr auto count =
        static_cast<std::int32_t>(sizeof kResourceTypes / sizeof *kResourceTypes);
    return type >= 0 && type < count ? &kResourceTypes[type] : nullptr;
}

// The directory of the type in every live resource root, in the package manager's order.
// Whether a directory exists is the caller's business.
std::vector<std::string> TypeDirectories(const ResourceType& type) {
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
        if (const ResourceType* entry = FindResourceType(type)) {
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
        if (const ResourceType* entry = FindResourceType(type)) {
            conflicts = entry->check(TypeDirectories(*entry));
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
