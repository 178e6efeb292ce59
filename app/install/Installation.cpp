#include "Installation.h"

#include "ProgramLocation.h"

#include <FilePath.h>
#include <FileSystem.h>
#include <HostLibraryNames.h>
#include <ResourceKind.h>
#include <Sys.h>

namespace kaldor {

namespace Platform = VELMORA::NEVRA::Platform;
namespace Sys = Platform::Sys;

namespace {

// `relative` (one level or several, ".." folded) below the folder `dir`.
std::string Below(const std::string& dir, const std::string& relative) {
    Platform::FilePath base(dir);
    base.ToDirectoryForm();
    return Platform::FilePath(base.Str() + relative).Str();
}

} // namespace

Installation Installation::Open(const std::string& dir) {
    if (!Platform::TargetExists(dir)) {
        throw InstallationError("the installation directory " + dir + " does not exist");
    }
    if (!Platform::DirectoryExists(dir)) {
        throw InstallationError(dir + " is not a directory");
    }
    std::string root;
    if (!Sys::ResolvePath(dir, root)) {
        throw InstallationError("cannot read " + dir + ": " + Sys::ErrorText(Sys::LastError()));
    }
    Installation installation(root);
    if (!Platform::RegularFileExists(installation.PlatformLibrary())) {
        throw InstallationError(dir + " is not an installation: it has no bin/" +
                                Platform::FilePath(installation.PlatformLibrary()).FileName());
    }
    return installation;
}

std::string Installation::Bin() const {
    return Below(root_, "bin");
}

std::string Installation::BinFile(const std::string& name) const {
    return Below(Bin(), name);
}

std::string Installation::PlatformLibrary() const {
    return PlatformLibraryOf(root_);
}

std::string Installation::PlatformLibraryOf(const std::string& root) {
    return Below(Below(root, "bin"), Platform::HostLibraryName::File(ProductNames::Platform));
}

std::string Installation::AppDir() const {
    return Below(Bin(), Layout::AppFolder);
}

std::string Installation::AppFile(const std::string& name) const {
    return Below(AppDir(), name);
}

std::string Installation::ResourceArea() const {
    return Below(Bin(), Layout::ResourceAreaPath(Platform::FilePath(Bin()).FileName()));
}

std::string Installation::PlatformRoot() const {
    return Below(ResourceArea(), ProductNames::Platform);
}

std::string Installation::CustomSeed() const {
    // The resource folder in directory form; the path names the folder itself.
    return Platform::FilePath(
               Platform::ResourceDir(PlatformRoot(), Platform::ResourceKind::CustomLibrary))
        .ToFileForm()
        .Str();
}

std::string Installation::PreLoadList() const {
    return Below(PlatformRoot(), Layout::PreLoadList);
}

std::string Installation::PostLoadList() const {
    return Below(PlatformRoot(), Layout::PostLoadList);
}

std::string Installation::AppList() const {
    return Below(PlatformRoot(), Layout::AppList);
}

std::string Installation::PendingAppList() const {
    return Below(PlatformRoot(), Layout::PendingAppList);
}

std::string Installation::Display(const std::string& path) const {
    const std::string prefix = root_ + Sys::NativeSeparator();
    if (path.compare(0, prefix.size(), prefix) == 0 && path.size() > prefix.size()) {
        return path.substr(prefix.size());
    }
    return path;
}

std::optional<BundledDemo> FindBundledDemo() {
    const std::string programDir = ProgramDirectory();
    if (programDir.empty()) {
        return std::nullopt;
    }
    const std::string top = Platform::FilePath(programDir).GoUp().ToFileForm().Str();
    const std::string home = Below(top, "demo-home");
    for (const std::string& candidate : {Below(top, "demo"), top}) {
        if (Platform::RegularFileExists(Installation::PlatformLibraryOf(candidate))) {
            return BundledDemo{candidate, home};
        }
    }
    return std::nullopt;
}

std::string PackageStem(const std::string& path) {
    const std::string name = Platform::FilePath(path).FileName();
    const std::size_t dot = name.rfind('.');
    if (name == "." || name == ".." || dot == std::string::npos || dot == 0) {
        return name;
    }
    return name.substr(0, dot);
}

} // namespace kaldor
