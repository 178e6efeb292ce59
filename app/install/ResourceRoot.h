// A package's resource root as the platform will find and hand it over, examined beforehand:
// a root that the host refuses a search path for, or that has no setting file, fails the
// package's registration before its library is even loaded.
#pragma once

#include "Installation.h"

#include <string>
#include <vector>

namespace kaldor {

// The resource root the platform gives the library at `libraryPath`, in directory form; "" when
// the package has none.
std::string ResolveResourceRoot(const Installation& installation, const std::string& libraryPath);

// What will make the registration of a package with this root fail, in plain words; empty
// when nothing will. An empty root never fails.
std::vector<std::string> ResourceRootProblems(const std::string& root);

} // namespace kaldor
