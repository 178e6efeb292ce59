#include "ResourceTypes.h"

#include <algorithm>
#include <cctype>

namespace kaldor {

const std::vector<ResourceType>& ResourceTypes() {
    static const std::vector<ResourceType> types{
        {0, "commands", "Commands"}, {1, "actions", "Configures/Default/Action"},
        {2, "context", "Context"},   {3, "forms", "Forms"},
        {4, "icons", "Icons"},       {5, "qrc", "qrc"},
        {6, "text", "text"},         {7, "doc", "doc"},
    };
    return types;
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
        names += (names.empty() ? "" : ", ") + type.name;
    }
    return names + " (or 0 to 7)";
}

} // namespace kaldor
