// The fixed sub-directories of a resource root, one per kind of resource a package brings.
#pragma once

#include <string>

namespace VELMORA::NEVRA::Platform {

// The values are the numbering the product's components have always used for these kinds.
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
