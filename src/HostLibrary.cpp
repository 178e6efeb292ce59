#include "HostLibrary.h"

#include "Sys.h"

#include <utility>

namespace VELMORA::NEVRA::Platform {

HostLibrary::HostLibrary(std::string path) : path_(std::move(path)) {
    module_ = Sys::FindLoadedModule(path_);
    if (module_ == nullptr) {
        module_ = Sys::LoadLibrary(path_);
        owned_ = module_ != nullptr;
    }
}

HostLibrary::~HostLibrary() {
    if (owned_) {
        Sys::FreeLibrary(module_);
    }
}

HostLibrary::HostLibrary(HostLibrary&& other) noexcept
    : path_(std::move(other.path_)), module_(other.module_), owned_(other.owned_) {
    other.module_ = nullptr;
    other.owned_ = false;
}

void* HostLibrary::Symbol(const char* name) const {
    return module_ != nullptr ? Sys::GetSymbol(module_, name) : nullptr;
}

} // namespace VELMORA::NEVRA::Platform
