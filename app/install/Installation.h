// An installation of the product: the folder whose bin/ holds Orvane.so, and the places the
// platform looks at inside it.
#pragma once

#include "HostLibraryNames.h"
#include "InstallationLayout.h"
#include "ProductNames.h"
#include "ResourceKind.h"

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

namespace kaldor {

namespace Layout = VELMORA::NEVRA::Platform::InstallationLayout;
namespace ProductNames = VELMORA::NEVRA::Platform::ProductNames;

// The directory given is not an installation; the text says what is missing.
class InstallationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Installation {
public:
    // Checks that `dir` exists and holds the platform library in bin/; throws InstallationError
    // otherwise. The root is made canonical, so that the paths here read like the platform's own.
    static Installation Open(const std::filesystem::path& dir);

    const std::filesystem::path& Root() const { return root_; }
    std::filesystem::path Bin() const { return BinOf(root_); }
    static std::filesystem::path BinOf(const std::filesystem::path& root) { return root / "bin"; }
    std::filesystem::path PlatformLibrary() const { return PlatformLibraryOf(root_); }
    // Where an installation at `root` holds the platform library.
    static std::filesystem::path PlatformLibraryOf(const std::filesystem::path& root) {
        return BinOf(root) /
               VELMORA::NEVRA::Platform::HostLibraryName::File(ProductNames::Platform);
    }
    std::filesystem::path AppDir() const { return Bin() / Layout::AppFolder; }
    std::filesystem::path ResourceArea() const {
        return (Bin() / Layout::ResourceAreaPath(Bin().filename().string())).lexically_normal();
    }
    std::filesystem::path PlatformRoot() const { return ResourceArea() / ProductNames::Platform; }
    std::filesystem::path CustomSeed() const {
        // The resource folder in directory form; the path names the folder itself.
        namespace Platform = VELMORA::NEVRA::Platform;
        return std::filesystem::path(Platform::ResourceDir(PlatformRoot().string(),
                                                           Platform::ResourceKind::CustomLibrary))
            .parent_path();
    }
    std::filesystem::path PreLoadList() const { return PlatformRoot() / Layout::PreLoadList; }
    std::filesystem::path PostLoadList() const { return PlatformRoot() / Layout::PostLoadList; }
    std::filesystem::path AppList() const { return PlatformRoot() / Layout::AppList; }
    std::filesystem::path PendingAppList() const { return PlatformRoot() / Layout::PendingAppList; }

    // `path` relative to the root when it lies inside, unchanged otherwise; for reading.
    std::string Display(const std::string& path) const;

private:
    explicit Installation(std::filesystem::path root) : root_(std::move(root)) {}

    std::filesystem::path root_;
};

// The installation a command works on when --install is not given, and the user folders it
// gets when KALDOR_HOME is not set, both found from the program's own place: the demo built
// beside the program in a build tree, or the prefix the program was installed into.
struct BundledDemo {
    std::filesystem::path installDir;
    std::filesystem::path homeDir;
};
std::optional<BundledDemo> FindBundledDemo();

} // namespace kaldor
