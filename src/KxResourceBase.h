// What every resource object and resource part can do: load once, report 0 or -1.
#pragma once

#include <cstdint>

namespace VELMORA::NEVRA::Platform {

class KxResourceBase {
public:
    virtual ~KxResourceBase() = default;
    virtual std::int32_t Load() = 0;
};

} // namespace VELMORA::NEVRA::Platform
