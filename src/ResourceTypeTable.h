// The resource types of the resource exports: the number a caller passes, the name kaldor's user
// types, and the folder of a resource root that holds the type.
#pragma once

#include "ResourceKind.h"

#include <orvane/Orvane.h>

#include <cstddef>
#include <cstdint>
#include <iterator>

namespace VELMORA::NEVRA::Platform {

struct ResourceTypeRow {
    KxResourceType code;
    const char* name;
    ResourceKind kind;
};

// Every type, in the order of their numbers.
inline constexpr ResourceTypeRow kResourceTypes[] = {
    {KxResourceCommands, "commands", ResourceKind::Commands},
    {KxResourceActions, "actions", ResourceKind::DefaultActions},
    {KxResourceContext, "context", ResourceKind::Context},
    {KxResourceForms, "forms", ResourceKind::Forms},
    {KxResourceIcons, "icons", ResourceKind::Icons},
    {KxResourceQrc, "qrc", ResourceKind::Qrc},
    {KxResourceText, "text", ResourceKind::Text},
    {KxResourceDoc, "doc", ResourceKind::Doc},
};

// Each row's number is its index: a type's row is found, and tables beside this one are
// indexed, by number.
constexpr bool NumberedInOrder() {
    for (std::size_t i = 0; i < std::size(kResourceTypes); ++i) {
        if (kResourceTypes[i].code != static_cast<std::int32_t>(i)) {
            return false;
        }
    }
    return true;
}
static_assert(NumberedInOrder());

// The row of a number from a caller; none for a number that names no type.
inline const ResourceTypeRow* FindResourceType(std::int32_t code) {
    for (const ResourceTypeRow& row : kResourceTypes) {
        if (row.code == code) {
            return &row;
        }
    }
    return nullptr;
}

} // namespace VELMORA::NEVRA::Platform
