// The registry of packages: registration with a type, shared resources by root, the tree of
// nested registrations, and unregistration one by one, all at once or at unload.
#pragma once

#include <orvane/KxModuleMgr.h>
#include <orvane/KxPackageMgr.h>
#include <orvane/Orvane.h>

#include "FilePath.h"

#include <cstdint>
#include <deque>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace VELMORA::NEVRA::Platform {

class KxPackage;
class KxResource;

class KxPackageMgrImpl final : public KxPackageMgr {
public:
    struct ListEntry {
        std::string path;
        std::uint32_t id;
        std::uint32_t ownerId;
    };

    static KxPackageMgrImpl& Instance();

    KxPackageMgrImpl();
    ~KxPackageMgrImpl() override;
    KxPackageMgrImpl(const KxPackageMgrImpl&) = delete;
    KxPackageMgrImpl& operator=(const KxPackageMgrImpl&) = delete;

    std::int32_t Reg(const char* dll, const char* resourceDir) override;
    void UnReg(const char* dll) override;

    std::int32_t RegEx(const char* dll, const char* resourceDir, KxPackageType type);
    void UnRegEx(const char* dll, KxPackageType type);
    void Clear();
    std::vector<ListEntry> List() const;
    std::vector<std::string> ResourceRoots() const;

private:
    struct PackageRecord {
        KxPackageType type;
        std::shared_ptr<KxPackage> package;
        std::vector<std::uint32_t> children;
        std::string resourceRoot; // its key in resources_
    };
    using PackageKey = std::pair<std::string, KxPackageType>;
    // Orders keys as the pair itself does, path first, and looks one up by a view of its path,
    // without a copy of it.
    struct PackageKeyLess {
        using is_transparent = void;
        using View = std::pair<std::string_view, KxPackageType>;
        static View Of(const PackageKey& key) { return {key.first, key.second}; }
        static View Of(const View& view) { return view; }
        template <typename A, typename B> bool operator()(const A& a, const B& b) const {
            return Of(a) < Of(b);
        }
    };
    using RootList = std::list<std::uint32_t>;

    std::shared_ptr<KxResource> AcquireResource(const std::string& root);
    std::int32_t Register(const std::string& dll, const char* resourceDir, KxPackageType type);
    void UnregisterLogged(std::uint32_t id);
    // UnRegEx for a path the caller holds while the package's Exit runs.
    void Unregister(const std::string& path, KxPackageType type);
    // The record of the package (path, type) that UnRegEx unregisters; 0 if none.
    std::uint32_t FindRecord(const std::string& path, KxPackageType type) const;
    void AddRecord(std::uint32_t id, std::unique_ptr<PackageRecord> record);
    // Removes a record from records_ and from the indexes over it.
    std::unique_ptr<PackageRecord> TakeRecord(std::uint32_t id);
    void AddRoot(std::uint32_t id);
    // Removes an id from every list that holds it, so that the id can be handed out again.
    void Forget(std::uint32_t id);

    std::deque<int> regMarks_;
    // (path as rendered, type) of every registration whose Init has not returned, outermost first.
    std::vector<const PackageKey*> registering_; // each held by its registration's frame
    std::deque<std::uint32_t> pendingChildren_;
    std::deque<std::vector<std::uint32_t>> exitScopes_;
    KxPackageType currentType_ = KxInternalPre;
    // Where a package without resources beside it may have them; asked for by every
    // registration, and the library does not move while it is loaded.
    const FilePath resourceArea_; // parsed once: every registration looks there
    std::unique_ptr<KxModuleMgr> moduleManager_;
    // Ordered by root, so that listings over all resources come out the same on every run.
    std::map<std::string, std::weak_ptr<KxResource>> resources_;
    RootList roots_;
    std::unordered_map<std::uint32_t, std::unique_ptr<PackageRecord>> records_;
    // Indexes over roots_ and records_, so that unregistering one package costs the same however
    // many are registered: where an id stands in roots_, the records with a (path, type), and the
    // records whose children hold an id.
    std::unordered_map<std::uint32_t, std::vector<RootList::iterator>> rootPositions_;
    std::map<PackageKey, std::vector<std::uint32_t>, PackageKeyLess> recordIds_;
    std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> parents_;
    std::map<PackageKey, std::weak_ptr<KxPackage>, PackageKeyLess> packages_;
};

} // namespace VELMORA::NEVRA::Platform
