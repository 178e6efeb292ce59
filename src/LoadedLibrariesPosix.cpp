#include "LoadedLibrariesPosix.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>

#include <vector>

namespace VELMORA::NEVRA::Platform::Sys {

namespace {

// This library's entry in the loader's list: a host that loads the platform with dlmopen gives
// it a list of its own, and that is the list dlopen looks in.
const link_map* OwnEntry() {
    Dl_info info{};
    link_map* own = nullptr;
    if (::dladdr1(reinterpret_cast<void*>(&OwnEntry), &info, reinterpret_cast<void**>(&own),
                  RTLD_DL_LINKMAP) == 0) {
        return nullptr;
    }
    return own;
}

struct Walk {
    bool built;                     // in: whether anything was read before
    unsigned long long adds;        // in: the counts last read; out: the counts now
    unsigned long long subs;        //
    const link_map* last;           // in: the newest library read; out: the newest now
    bool rebuild = false;           // out: the list was read from its head
    std::vector<std::string> names; // out: the libraries read
};

// Called for the first library of the namespace only, with the loader's lock held: the list
// cannot change while it is read. Nothing removed since the last look means the libraries added
// since lie after the newest one read then.
int ReadNewLibraries(dl_phdr_info* info, std::size_t, void* data) {
    auto& walk = *static_cast<Walk*>(data);
    if (walk.built && info->dlpi_adds == walk.adds && info->dlpi_subs == walk.subs) {
        return 1;
    }
    walk.rebuild = !walk.built || info->dlpi_subs != walk.subs || walk.last == nullptr;
    walk.adds = info->dlpi_adds;
    walk.subs = info->dlpi_subs;
    const link_map* map = nullptr;
    if (walk.rebuild) {
        static const link_map* const own = OwnEntry();
        for (map = own; map != nullptr && map->l_prev != nullptr;) {
            map = map->l_prev;
        }
    } else {
        map = walk.last->l_next;
    }
    for (; map != nullptr; map = map->l_next) {
        walk.names.emplace_back(map->l_name != nullptr ? map->l_name : "");
        walk.last = map;
    }
    return 1;
}

} // namespace

void LoadedLibraries::AddFile(const std::string& path) {
    struct stat status {};
    if (path.front() != '/' || ::stat(path.c_str(), &status) != 0) {
        // A relative name may have meant another directory; a file gone since is gone.
        ++unknown_;
        return;
    }
    ++files_[FileId{status.st_dev, status.st_ino}];
}

void LoadedLibraries::Refresh() {
    Walk walk{built_, adds_, subs_, last_, false, {}};
    ::dl_iterate_phdr(&ReadNewLibraries, &walk);
    if (walk.rebuild) {
        names_.clear();
        files_.clear();
        unindexed_.clear();
        unknown_ = 0;
        // The program itself, in case the loader knows it by its file.
        unindexed_.emplace_back("/proc/self/exe");
    }
    for (std::string& name : walk.names) {
        ++names_[name];
        // The main program ("") and the vDSO have no file of that name to compare with.
        if (name.find('/') != std::string::npos) {
            unindexed_.push_back(std::move(name));
        }
    }
    built_ = true;
    adds_ = walk.adds;
    subs_ = walk.subs;
    last_ = walk.last;
}

void LoadedLibraries::IndexFiles() {
    for (const std::string& path : unindexed_) {
        AddFile(path);
    }
    unindexed_.clear();
}

bool LoadedLibraries::MayHold(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    Refresh();
    if (names_.count(path) != 0) {
        return true;
    }
    IndexFiles();
    if (unknown_ > 0) {
        return true;
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return false; // the loader cannot open it either
    }
    return files_.count(FileId{status.st_dev, status.st_ino}) != 0;
}

bool LoadedLibraries::HoldsName(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    Refresh();
    return names_.count(path) != 0;
}

} // namespace VELMORA::NEVRA::Platform::Sys
