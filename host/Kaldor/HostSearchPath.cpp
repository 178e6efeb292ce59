#include "HostSearchPath.h"

#include <algorithm>

namespace KaldorHost {

bool HostSearchPath::Add(const std::string& directory) {
    if (std::any_of(entries_.begin(), entries_.end(),
                    [&](const auto& entry) { return *entry == directory; })) {
        return false;
    }
    entries_.push_back(std::make_unique<const std::string>(directory));
    return true;
}

const std::string* HostSearchPath::At(std::size_t index) const {
    return index < entries_.size() ? entries_[index].get() : nullptr;
}

} // namespace KaldorHost
