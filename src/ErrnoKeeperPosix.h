// Keeps errno across calls whose own failure must not replace the error the caller reports.
#pragma once

#include <cerrno>

namespace VELMORA::NEVRA::Platform::Sys {

class ErrnoKeeper final {
public:
    ErrnoKeeper() : saved_(errno) {}
    ~ErrnoKeeper() { errno = saved_; }
    ErrnoKeeper(const ErrnoKeeper&) = delete;
    ErrnoKeeper& operator=(const ErrnoKeeper&) = delete;

private:
    int saved_;
};

} // namespace VELMORA::NEVRA::Platform::Sys
