#include "EnvironmentStore.h"

#include "DependencySearchOrder.h"
#include "ErrnoKeeper.h"

#include <cstdlib>
#include <cstring>

namespace VELMORA::NEVRA::Platform::Sys {

namespace {

SharedDirectories Split(const char* value, char delimiter) {
    return std::make_shared<const std::vector<std::string>>(SplitSearchPath(value, delimiter));
}

} // namespace

EnvironmentStore::~EnvironmentStore() {
    ErrnoKeeper keep;
    for (const auto& [name, slot] : slots_) {
        const char* installed = std::getenv(name.c_str());
        if (slot.current && installed == slot.current.get() + name.size() + 1) {
            const std::string value = installed;
            ::setenv(name.c_str(), value.c_str(), 1);
        }
    }
}

bool EnvironmentStore::Set(const std::string& name, const std::string& value) {
    if (name.empty() || name.find('=') != std::string::npos) {
        errno = EINVAL;
        return false;
    }
    // "name=value" straight into the buffer putenv installs: the value may be long.
    const std::size_t size = name.size() + 1 + value.size();
    auto buffer = std::make_unique<char[]>(size + 1);
    std::memcpy(buffer.get(), name.data(), name.size());
    buffer[name.size()] = '=';
    std::memcpy(buffer.get() + name.size() + 1, value.data(), value.size());
    buffer[size] = '\0';
    std::lock_guard<std::mutex> lock(mutex_);
    if (::putenv(buffer.get()) != 0) {
        return false;
    }
    Slot& slot = slots_[name];
    slot.current = std::move(buffer);
    slot.directories.reset();
    return true;
}

SharedDirectories EnvironmentStore::Directories(const std::string& name, char delimiter) {
    std::lock_guard<std::mutex> lock(mutex_);
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) {
        return std::make_shared<const std::vector<std::string>>();
    }
    const auto slot = slots_.find(name);
    if (slot == slots_.end() || !slot->second.current ||
        value != slot->second.current.get() + name.size() + 1) {
        return Split(value, delimiter);
    }
    if (!slot->second.directories) {
        slot->second.directories = Split(value, delimiter);
    }
    return slot->second.directories;
}

} // namespace VELMORA::NEVRA::Platform::Sys
