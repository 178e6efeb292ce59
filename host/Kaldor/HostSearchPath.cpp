#include "HostSearchPath.h"

#include <algorithm>

namespace KaldorHost {

bool HostSearchPath::Add(const std::string& directory) {
    if (std::find(entries_.begin(), entries_.end(), directory) != entries_.end()) {
        return false;
    }
    entries_.push_back(directory);
    return true;
}

const std::string* HostSearchPath::At(std::size_t index) const {
    return index < entries_.size() ? &entries_[index] : nullptr;
}

} // namespace KaldorHost
