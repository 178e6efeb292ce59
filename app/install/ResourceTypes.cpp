#include "ResourceTypes.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace kaldor {

std::vector<ResourceType> ResourceTypes() {
    using VELMORA::NEVRA::Platform::kResourceTypes;
    return {std::begin(kResourceTypes), std::end(kResourceTypes)};
}

std::optional<ResourceType> ParseResourceType(const std::string& text) {
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const auto& type : ResourceTypes()) {
        if (lower == type.name || lower == std::to_string(type.code)) {
            return type;
        }
    }
    return std::nullopt;
}

std::string ResourceTypeNames() {
    const auto types = ResourceTypes();
    std::string names;
    for (const auto& type : types) {
        names += (names.empty() ? "" : ", ") + std::string(type.name);
    }
    return names + " (or " + std::to_string(types.front().code) + " to " +
           std::to_string(types.back().code) + ")";
}

} // namespace kaldor
