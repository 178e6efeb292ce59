// The fixed sub-directories of a resource root, one per kind of resource a package brings.
#pragma once

#include <string>

namespace VELMORA::NEVRA::Platform {

// The values are the numbering the product's components have always used for these kinds.
//
// A kind is a folder of a resource root; a resource type (ResourceTypeTable.h) is what a caller
// of the resource exports asks for. They are two lists on purpose: the exports hand out eight of
// these folders by type, numbered as their callers have always numbered them, while the platform
// itself also reads folders no caller asks for (languages, data, the libraries it seeds, the
// default controls, the browser profile).
enum class ResourceKind : int {
    Icons = 0,
    Text = 1,
    Languages = 2,
    Forms = 3,
    Commands = 4,
    Qrc = 5,
    Context = 6,
    DefaultActions = 7,
    Data = 8,
    Doc = 9,
    CustomLibrary = 10,
    NonCustomLibrary = 11,
    Supp = 12,
    DefaultControls = 13,
    BrowserProfile = 14,
};

// Where `kind` lies below `root` (with or without its trailing separator): a directory in
// directory form, or for BrowserProfile the profile file. A value that names no kind gives "".
std::string ResourceDir(const std::string& root, ResourceKind kind);

} // namespace VELMORA::NEVRA::Platform
