// A library of the host reached by name for one call: used where it is loaded already, loaded
// and released again where it is not, so the platform never keeps it loaded on its own.
#pragma once

#include <string>

namespace VELMORA::NEVRA::Platform {

class HostLibrary final {
public:
    explicit HostLibrary(std::string path);
    ~HostLibrary();
    HostLibrary(HostLibrary&& other) noexcept;
    HostLibrary& operator=(HostLibrary&&) = delete;
    HostLibrary(const HostLibrary&) = delete;
    HostLibrary& operator=(const HostLibrary&) = delete;

    bool Available() const { return module_ != nullptr; }
    void* Symbol(const char* name) const;

private:
    std::string path_;
    void* module_ = nullptr;
    bool owned_ = false;
};

} // namespace VELMORA::NEVRA::Platform
