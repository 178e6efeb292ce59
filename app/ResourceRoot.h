// A package's resource root as the platform will find and hand it over, examined beforehand:
// a root that the host refuses a search path for, or that has no setting file, fails the
// package's registration before its library is even loaded.
#pragma once

#include "Installation.h"

#include <string>
#include <vector>

namespace kaldor {

// The resource root of the library at `libraryPath`, in directory form (ending with "/"): the
// folder beside the library named after its stem, else an entry of that name in
// bin/KxApp/Resource/; "" when the package has none.
std::string ResolveResourceRoot(const Installation& installation, const std::string& libraryPath);

// The directories the platform hands to the host for `root`, in the order it does, for a host
// whose language has the locale code `localeCode`.
std::vector<std::string> HostSearchDirectories(const std::string& root,
                                               const std::string& localeCode);

// The setting files of `root`: *.hcui in Configures/Default/Action/ and …/Controls/.
std::vector<std::string> SettingFiles(const std::string& root);

// What will make the registration of a package with this root fail, in plain words; empty
// when nothing will. An empty root never fails.
std::vector<std::string> ResourceRootProblems(const std::string& root);

} // namespace kaldor
