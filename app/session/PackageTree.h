// The package list of KxRegList (breadth-first, each package with its owner) as a tree.
#pragma once

#include "PlatformListeners.h"

#include <vector>

namespace kaldor {

struct PackageNode {
    RegisteredPackage package;
    int depth = 0; // 0 for a package the platform registered, 1 for its children, …
};

// Depth-first: each package followed by its children, in list order. A package whose owner is
// not in the list counts as a root.
std::vector<PackageNode> PackageTree(const std::vector<RegisteredPackage>& packages);

} // namespace kaldor
