#include "SharedLibrary.h"

#include <dlfcn.h>

#include <utility>

namespace kaldor {

SharedLibrary SharedLibrary::Open(const std::string& path, std::string& error) {
    dlerror();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* text = dlerror();
        error = text != nullptr ? text : "unknown loader error";
    }
    return SharedLibrary(handle);
}

SharedLibrary::~SharedLibrary() {
    Close();
}

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

void* SharedLibrary::Symbol(const char* name) const {
    return handle_ != nullptr ? dlsym(handle_, name) : nullptr;
}

void SharedLibrary::Close() {
    if (handle_ != nullptr) {
        dlclose(std::exchange(handle_, nullptr));
    }
}

} // namespace kaldor
