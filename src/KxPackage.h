// One package library: imported at construction, initialised once, shut down and unloaded
// when the last reference goes.
#pragma once

#include <orvane/KxModuleMgr.h>
#include <orvane/KxPackageMgr.h>
#include <orvane/Orvane.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace VELMORA::NEVRA::Platform {

class FilePath;
class KxResource;
namespace Sys {
class LibraryFile;
}

class KxPackage final {
public:
    // Throws std::runtime_error carrying the import failure's log text.
    KxPackage(std::string path, KxPackageType type, KxPackageMgr* packageManager,
              KxModuleMgr* moduleManager, std::shared_ptr<KxResource> resource);
    // The same with what its registration found out first: `path` parsed, and the look at the
    // file, closed once the library is loaded.
    KxPackage(std::string path, const FilePath& parsed, KxPackageType type,
              KxPackageMgr* packageManager, KxModuleMgr* moduleManager,
              std::shared_ptr<KxResource> resource, Sys::LibraryFile&& file);
    ~KxPackage();
    KxPackage(const KxPackage&) = delete;
    KxPackage& operator=(const KxPackage&) = delete;

    std::int32_t Init();

    std::uint32_t Id() const { return id_; }
    std::uint32_t OwnerId() const { return ownerId_; }
    void SetOwnerId(std::uint32_t id) { ownerId_ = id; }
    std::string Path() const { return path_; }

private:
    using EntryPoint = std::int32_t (*)(KxPackageMgr*, KxModuleMgr*);
    // The platform's own routines take the list file they are bound to.
    using ListRoutine = std::int32_t (*)(KxPackageMgr*, const std::string&);

    void Import(const FilePath& path, const Sys::LibraryFile& file);
    // `name` ("Init" or "Exit") names the entry point in the record of one that throws.
    std::int32_t CallEntry(EntryPoint entry, ListRoutine routine, const char* name);
    void RunBrowserProfileHook() const;

    std::uint32_t ownerId_ = 0;
    std::uint32_t id_ = 0;
    std::string path_;
    KxPackageType type_ = KxInternalPre;
    EntryPoint initFn_ = nullptr;
    EntryPoint exitFn_ = nullptr;
    ListRoutine initRoutine_ = nullptr;
    ListRoutine exitRoutine_ = nullptr;
    std::string listFile_;
    void* module_ = nullptr;
    bool initCalled_ = false;
    std::int32_t initResult_ = 0;
    KxPackageMgr* packageManager_ = nullptr;
    KxModuleMgr* moduleManager_ = nullptr;
    std::shared_ptr<KxResource> resource_;
};

// Process-wide package ids: from 1, unique among live packages, the largest released id
// reused first.
std::uint32_t AllocatePackageId();
void ReleasePackageId(std::uint32_t id);

// Puts the directory of each library in front of the process's library search path variable.
std::int32_t AddPathEnvironment(const std::vector<std::string>& dlls);
// The same for one path parsed already.
std::int32_t AddPathEnvironment(const FilePath& dll);

} // namespace VELMORA::NEVRA::Platform
