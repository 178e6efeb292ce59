// A shared library loaded with the system's loader, unloaded when the object goes.
#pragma once

#include <string>

namespace kaldor {

class SharedLibrary final {
public:
    SharedLibrary() = default;
    // Loads `path` with all symbols bound at once; on failure the object is empty and
    // `error` holds the loader's text.
    static SharedLibrary Open(const std::string& path, std::string& error);

    ~SharedLibrary();
    SharedLibrary(SharedLibrary&& other) noexcept;
    SharedLibrary& operator=(SharedLibrary&& other) noexcept;
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    bool IsLoaded() const { return handle_ != nullptr; }
    // The symbol in this library or one it depends on; null when there is none.
    void* Symbol(const char* name) const;
    template <typename Function> Function Find(const char* name) const {
        return reinterpret_cast<Function>(Symbol(name));
    }
    // Unloads now; the destructor then has nothing to do.
    void Close();

private:
    explicit SharedLibrary(void* handle) : handle_(handle) {}

    void* handle_ = nullptr;
};

} // namespace kaldor
