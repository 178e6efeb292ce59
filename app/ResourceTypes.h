// The eight resource types the platform lists and checks, by number and by name.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kaldor {

struct ResourceType {
    int code = 0;
    std::string name;      // "icons", "context", …: what the user types
    std::string directory; // the folder of a resource root that holds this type
};

// Codes 0 to 7, in code order.
const std::vector<ResourceType>& ResourceTypes();

// A name (any case) or a number from 0 to 7; nothing for anything else.
std::optional<ResourceType> ParseResourceType(const std::string& text);

// "commands, actions, context, …" for messages.
std::string ResourceTypeNames();

} // namespace kaldor
