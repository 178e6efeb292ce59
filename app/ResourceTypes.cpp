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
    std::string names;
    for (const auto& type : ResourceTypes()) {
        names += (names.empty() ? "" : ", ") + std::string(type.name);
    }
    return names + " (or 0 to 7)";
}

} // namespace kaldor
