// The resource types the platform lists and checks, as kaldor's user names them.
#pragma once

#include <ResourceTypeTable.h>

#include <optional>
#include <string>
#include <vector>

namespace kaldor {

using ResourceType = VELMORA::NEVRA::Platform::ResourceTypeRow;

// The platform's types, in code order.
std::vector<ResourceType> ResourceTypes();

// A name (any case) or a code of the platform's table; nothing for anything else.
std::optional<ResourceType> ParseResourceType(const std::string& text);

// "commands, actions, context, …" for messages.
std::string ResourceTypeNames();

} // namespace kaldor
