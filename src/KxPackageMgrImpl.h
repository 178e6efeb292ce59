// The registry of packages: registration with a type, shared resources by root, the tree of
// nested registrations, and unregistration one by one, all at once or at unload.
#pragma once

#include <orvane/KxModuleMgr.h>
#include <orvane/KxPackageMgr.h>
#include <orvane/Orvane.h>

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
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
    };
    using PackageKey = std::pair<std::string, KxPackageType>;

    std::shared_ptr<KxResource> AcquireResource(const std::string& root);
    std::int32_t Register(const std::string& dll, const char* resourceDir, KxPackageType type);
    void UnregisterLogged(std::uint32_t id);
    // Removes an id from every list that holds it, so that the id can be handed out again.
    void Forget(std::uint32_t id);

    std::deque<int> regMarks_;
    // (path as rendered, type) of every registration whose Init has not returned, outermost first.
    std::vector<PackageKey> registering_;
    std::deque<std::uint32_t> pendingChildren_;
    std::deque<std::vector<std::uint32_t>> exitScopes_;
    KxPackageType currentType_ = KxInternalPre;
    std::unique_ptr<KxModuleMgr> moduleManager_;
    // Ordered by root, so that listings over all resources come out the same on every run.
    std::map<std::string, std::weak_ptr<KxResource>> resources_;
    std::vector<std::uint32_t> roots_;
    std::unordered_map<std::uint32_t, std::unique_ptr<PackageRecord>> records_;
    std::map<PackageKey, std::weak_ptr<KxPackage>> packages_;
};

} // namespace VELMORA::NEVRA::Platform
