#include "EnvironmentStorePosix.h"

#include "ErrnoKeeperPosix.h"
#include "SearchPathValue.h"

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

namespace VELMORA::NEVRA::Platform::Sys {

namespace {

SharedDirectories Split(const char* value, char delimiter) {
    return std::make_shared<const std::vector<std::string>>(SplitSearchPath(value, delimiter));
}

bool ValidName(const std::string& name) {
    if (name.empty() || name.find('=') != std::string::npos) {
        errno = EINVAL;
        return false;
    }
    return true;
}

} // namespace

EnvironmentStore::~EnvironmentStore() {
    ErrnoKeeper keep;
    for (const auto& [name, slot] : slots_) {
        const char* installed = std::getenv(name.c_str());
        if (slot.buffer && installed == slot.Entry() + name.size() + 1) {
            const std::string value = installed;
            ::setenv(name.c_str(), value.c_str(), 1);
        }
    }
}

EnvironmentStore::Slot* EnvironmentStore::Installed(const std::string& name) {
    const auto slot = slots_.find(name);
    if (slot == slots_.end() || !slot->second.buffer) {
        return nullptr;
    }
    const char* value = std::getenv(name.c_str());
    return value == slot->second.Entry() + name.size() + 1 ? &slot->second : nullptr;
}

bool EnvironmentStore::Install(const std::string& name, std::string_view value, std::size_t room,
                               bool searchPath) {
    // "name=value" straight into the buffer putenv installs: the value may be long.
    const std::size_t size = name.size() + 1 + value.size() + 1;
    auto buffer = std::unique_ptr<char[]>(new char[room + size]);
    char* entry = buffer.get() + room;
    std::memcpy(entry, name.data(), name.size());
    entry[name.size()] = '=';
    std::memcpy(entry + name.size() + 1, value.data(), value.size());
    entry[size - 1] = '\0';
    if (::putenv(entry) != 0) {
        return false;
    }
    Slot& slot = slots_[name];
    slot.buffer = std::move(buffer);
    slot.capacity = room + size;
    slot.start = room;
    slot.searchPath = searchPath;
    slot.directories.reset();
    return true;
}

bool EnvironmentStore::Set(const std::string& name, const std::string& value) {
    if (!ValidName(name)) {
        return false;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    return Install(name, value, 0, false);
}

bool EnvironmentStore::PrependSearchPath(const std::string& name, char delimiter,
                                         const std::vector<std::string>& directories) {
    if (!ValidName(name)) {
        return false;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    Slot* slot = Installed(name);
    if (slot == nullptr || !slot->searchPath) {
        // Someone else's value, or one set whole: read by the rule, empty elements and all.
        const char* current = std::getenv(name.c_str());
        const std::string_view old = current != nullptr ? current : "";
        const std::optional<std::string> value = SearchPathToSet(directories, old, delimiter);
        if (!value) {
            return true;
        }
        // Room for as much again in front: the variable is about to grow.
        return Install(name, *value, value->size(), true);
    }
    // A value without an empty element changes exactly when something goes in front of it.
    std::string prefix = JoinSearchPath(directories, delimiter);
    if (prefix.empty()) {
        return true;
    }
    const std::size_t head = name.size() + 1;
    // "name=value\0" ends the buffer: the value's length is known without reading it.
    const std::string_view old(slot->Entry() + head, slot->capacity - 1 - slot->start - head);
    if (!old.empty()) {
        prefix += delimiter;
    }
    if (slot->start < prefix.size()) {
        const std::string value = prefix + std::string(old);
        return Install(name, value, value.size(), true);
    }
    // The old value stays where it is; only its "name=" is overwritten. putenv finds the entry it
    // replaces by that name, so the environment holds a bare "name=" of its own meanwhile;
    // replacing an entry allocates nothing and cannot fail.
    // Made in place: the placeholder keeps its storage from one prepend to the next.
    slot->placeholder.assign(name).push_back('=');
    if (::putenv(slot->placeholder.data()) != 0) {
        return false;
    }
    char* entry = slot->buffer.get() + slot->start - prefix.size();
    std::memcpy(entry, name.data(), name.size());
    entry[name.size()] = '=';
    std::memcpy(entry + head, prefix.data(), prefix.size());
    ::putenv(entry);
    slot->start -= prefix.size();
    slot->directories.reset();
    return true;
}

SharedDirectories EnvironmentStore::Directories(const std::string& name, char delimiter) {
    std::lock_guard<std::mutex> lock(mutex_);
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) {
        return std::make_shared<const std::vector<std::string>>();
    }
    Slot* slot = Installed(name);
    if (slot == nullptr) {
        return Split(value, delimiter);
    }
    if (!slot->directories) {
        slot->directories = Split(value, delimiter);
    }
    return slot->directories;
}

} // namespace VELMORA::NEVRA::Platform::Sys
