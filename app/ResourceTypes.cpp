#include "ResourceTypes.h"

#include <orvane/Orvane.h>

#include <algorithm>
#include <cctype>

namespace kaldor {

const std::vector<ResourceType>& ResourceTypes() {
    static const std::vector<ResourceType> types{
        {KxResourceCommands, "commands", "Commands"},
        {KxResourceActions, "actions", "Configures/Default/Action"},
        {KxResourceContext, "context", "Context"},
        {KxResourceForms, "forms", "Forms"},
        {KxResourceIcons, "icons", "Icons"},
        {KxResourceQrc, "qrc", "qrc"},
        {KxResourceText, "text", "text"},
        {KxResourceDoc, "doc", "doc"},
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
