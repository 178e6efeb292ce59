// Forwards database-module registrations to the host's database library and remembers which
// ids it accepted, so that none outlives the platform.
#pragma once

#include <orvane/KxModuleMgr.h>

#include <unordered_set>

namespace VELMORA::NEVRA::Platform {

class KxModuleMgrImpl final : public KxModuleMgr {
public:
    KxModuleMgrImpl() = default;
    ~KxModuleMgrImpl() override;
    KxModuleMgrImpl(const KxModuleMgrImpl&) = delete;
    KxModuleMgrImpl& operator=(const KxModuleMgrImpl&) = delete;

    std::int32_t RegisterModule(std::uint32_t moduleId, std::uint64_t context) override;
    void UnregisterModule(std::uint32_t moduleId) override;

private:
    std::unordered_set<std::uint32_t> moduleIds_;
};

} // namespace VELMORA::NEVRA::Platform
