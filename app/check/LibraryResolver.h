// Finds a library's dependencies the way the loader will when the platform loads it, in the
// platform's own search order: beside the library, in the installation's bin folder (a search
// directory during start-up), on LD_LIBRARY_PATH, in the library's own run path and on the
// system's library path.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kaldor {

// The directories of the library search-path variable as it stands now.
std::vector<std::string> SearchPathDirectories();

class LibraryResolver {
public:
    // `searchDirs` are searched for every library (the installation's bin folder).
    explicit LibraryResolver(std::vector<std::string> searchDirs);

    // Where the dependency `name` of the library at `library` (with its unexpanded run path
    // `runPath`) is found; nothing when it is nowhere.
    std::optional<std::string> Find(const std::string& name, const std::string& library,
                                    const std::vector<std::string>& runPath) const;

private:
    std::vector<std::string> searchDirs_;
    std::vector<std::string> environmentDirs_; // the search path as kaldor started
    std::vector<std::string> systemDirs_;
    std::vector<std::string> cachedNames_; // names the system's loader cache knows, sorted
};

} // namespace kaldor
