#include "SharedLibrary.h"

#include <Sys.h>

#include <utility>

namespace kaldor {

namespace Sys = VELMORA::NEVRA::Platform::Sys;

SharedLibrary SharedLibrary::Open(const std::string& path, std::string& error) {
    std::string loaderText;
    void* handle = Sys::OpenLibrary(path, &loaderText);
    if (handle == nullptr) {
        error = loaderText.empty() ? "unknown loader error" : loaderText;
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
    return handle_ != nullptr ? Sys::FindSymbol(handle_, name) : nullptr;
}

void SharedLibrary::Close() {
    if (handle_ != nullptr) {
        Sys::FreeLibrary(std::exchange(handle_, nullptr));
    }
}

} // namespace kaldor
