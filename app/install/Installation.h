// An installation of the product: the folder whose bin/ holds Orvane.so, and the places the
// platform looks at inside it.
#pragma once

#include "InstallationLayout.h"
#include "ProductNames.h"

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
    // otherwise.
    // The root is made canonical, so that the paths here read like the platform's own.
    static Installation Open(const std::string& dir);

    const std::string& Root() const { return root_; }
    std::string Bin() const;
    // A file of bin/, by its name.
    std::string BinFile(const std::string& name) const;
    std::string PlatformLibrary() const;
    // Where an installation at `root` holds the platform library.
    static std::string PlatformLibraryOf(const std::string& root);
    std::string AppDir() const;
    // A file directly in bin/KxApp/, by its name.
    std::string AppFile(const std::string& name) const;
    std::string ResourceArea() const;
    std::string PlatformRoot() const;
    // The resource folder itself, without a trailing separator.
    std::string CustomSeed() const;
    std::string PreLoadList() const;
    std::string PostLoadList() const;
    std::string AppList() const;
    std::string PendingAppList() const;

    // `path` relative to the root when it lies inside, unchanged otherwise; for reading.
    std::string Display(const std::string& path) const;

private:
    explicit Installation(std::string root) : root_(std::move(root)) {}

    std::string root_;
};

// The installation a command works on when --install is not given, and the user folders it
// gets when KALDOR_HOME is not set, both found from the program's own place: the demo built
// beside the program in a build tree, or the prefix the program was installed into.
struct BundledDemo {
    std::string installDir;
    std::string homeDir;
};
std::optional<BundledDemo> FindBundledDemo();

// A package's name as kaldor shows it: its file name without the last extension, where "." and
// "..", and a name whose one dot leads it, stay whole.
std::string PackageStem(const std::string& path);

} // namespace kaldor
