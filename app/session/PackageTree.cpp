#include "PackageTree.h"

#include <algorithm>
#include <functional>
#include <set>

namespace kaldor {

std::vector<PackageNode> PackageTree(const std::vector<RegisteredPackage>& packages) {
    const auto listed = [&](std::uint32_t id) {
        return std::any_of(packages.begin(), packages.end(),
                           [id](const RegisteredPackage& p) { return p.id == id; });
    };
    std::vector<PackageNode> tree;
    std::set<std::uint32_t> placed; // guards against an owner cycle in a damaged list
    const std::function<void(const RegisteredPackage&, int)> place =
        [&](const RegisteredPackage& package, int depth) {
            if (!placed.insert(package.id).second) {
                return;
            }
            tree.push_back({package, depth});
            for (const auto& child : packages) {
                if (child.ownerId == package.id && child.id != package.id) {
                    place(child, depth + 1);
                }
            }
        };
    for (const auto& package : packages) {
        if (package.ownerId == package.id || !listed(package.ownerId)) {
            place(package, 0);
        }
    }
    return tree;
}

} // namespace kaldor
