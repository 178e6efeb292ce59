// Which files the process holds loaded, for asking whether a library is loaded without the
// dynamic loader's own answer: dlopen with RTLD_NOLOAD compares the name with every loaded
// library, then opens the file and compares its identity with every one again, so a registration
// would cost more with every package already loaded. The loader's counts of libraries added and
// removed (dl_iterate_phdr's dlpi_adds and dlpi_subs, there for callers to cache by) say when
// the list has changed; only the libraries added since the last look are read.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

struct link_map;

namespace VELMORA::NEVRA::Platform::Sys {

class LoadedLibraries final {
public:
    LoadedLibraries() = default;
    LoadedLibraries(const LoadedLibraries&) = delete;
    LoadedLibraries& operator=(const LoadedLibraries&) = delete;

    // False when no library loaded in this library's namespace is the file at `path` (a path
    // with a folder), under that name or as the same file under another. True when one may be:
    // the dynamic loader then gives the exact answer, so a doubt costs time, never a wrong one.
    bool MayHold(const std::string& path);
    // Whether a library loaded in this library's namespace is known by `path` itself.
    bool HoldsName(const std::string& path);

private:
    struct FileId {
        dev_t device;
        ino_t inode;
        bool operator==(const FileId& other) const {
            return device == other.device && inode == other.inode;
        }
    };
    struct FileIdHash {
        std::size_t operator()(const FileId& id) const {
            return std::hash<ino_t>()(id.inode) ^ (std::hash<dev_t>()(id.device) << 1);
        }
    };
    // Brings the names up to date with the loader's list.
    void Refresh();
    // Brings the files up to date with the names: asked for only when a file's identity is, so
    // that a process that only ever asks by name never asks the system about a loaded file.
    void IndexFiles();
    void AddFile(const std::string& path);

    std::mutex mutex_;
    bool built_ = false;
    unsigned long long adds_ = 0;
    unsigned long long subs_ = 0;
    const link_map* last_ = nullptr; // the newest library indexed
    std::unordered_map<std::string, int> names_;
    std::unordered_map<FileId, int, FileIdHash> files_;
    std::vector<std::string> unindexed_; // names with a folder whose file is not in files_ yet
    int unknown_ = 0; // libraries whose file could not be told: every answer is a doubt
};

} // namespace VELMORA::NEVRA::Platform::Sys
