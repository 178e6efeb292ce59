// The interface through which a package registers database modules with the host.
#pragma once

#include <cstdint>

namespace VELMORA::NEVRA::Platform {

class KxModuleMgr {
public:
    virtual ~KxModuleMgr() = default;
    // 0 when the host accepted the module, -1 otherwise (also for an id registered already).
    virtual std::int32_t RegisterModule(std::uint32_t moduleId, std::uint64_t context) = 0;
    virtual void UnregisterModule(std::uint32_t moduleId) = 0;
};

} // namespace VELMORA::NEVRA::Platform
