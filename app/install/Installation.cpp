#include "Installation.h"

#include "ProgramLocation.h"

#include <system_error>

namespace fs = std::filesystem;

namespace kaldor {

Installation Installation::Open(const fs::path& dir) {
    std::error_code error;
    const fs::file_status status = fs::status(dir, error);
    if (!fs::exists(status)) {
        throw InstallationError("the installation directory " + dir.string() + " does not exist");
    }
    if (!fs::is_directory(status)) {
        throw InstallationError(dir.string() + " is not a directory");
    }
    const fs::path root = fs::canonical(dir, error);
    if (error) {
        throw InstallationError("cannot read " + dir.string() + ": " + error.message());
    }
    Installation installation(root);
    if (!fs::is_regular_file(installation.PlatformLibrary(), error)) {
        throw InstallationError(dir.string() + " is not an installation: it has no bin/" +
                                installation.PlatformLibrary().filename().string());
    }
    return installation;
}

std::string Installation::Display(const std::string& path) const {
    const std::string prefix = (root_ / "").string();
    if (path.compare(0, prefix.size(), prefix) == 0 && path.size() > prefix.size()) {
        return path.substr(prefix.size());
    }
    return path;
}

std::optional<BundledDemo> FindBundledDemo() {
    const fs::path programDir = ProgramDirectory();
    if (programDir.empty()) {
        return std::nullopt;
    }
    const fs::path top = programDir.parent_path();
    const fs::path home = top / "demo-home";
    std::error_code error;
    for (const fs::path& candidate : {top / "demo", top}) {
        if (fs::is_regular_file(Installation::PlatformLibraryOf(candidate), error)) {
            return BundledDemo{candidate, home};
        }
    }
    return std::nullopt;
}

} // namespace kaldor
