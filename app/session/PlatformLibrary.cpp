#include "PlatformLibrary.h"

#include "check/LoaderMessage.h"

#include <FilePath.h>
#include <HostLibraryNames.h>
#include <OrvaneExports.h>

namespace kaldor {

namespace {

namespace Export = VELMORA::NEVRA::Platform::Export;

template <typename Function>
void Resolve(const SharedLibrary& library, const char* name, const char* owner, Function& target) {
    target = library.Find<Function>(name);
    if (target == nullptr) {
        throw PlatformLoadError(std::string(owner) + " does not provide " + name +
                                "; the installation's libraries do not belong together");
    }
}

// A host library the platform library has loaded already, from the installation's bin folder.
SharedLibrary OpenHostLibrary(const Installation& installation, const std::string& file) {
    const std::string path = installation.BinFile(file);
    std::string error;
    SharedLibrary library = SharedLibrary::Open(path, error);
    if (!library.IsLoaded()) {
        throw PlatformLoadError("cannot load " + path + ": " +
                                ExplainLoaderText(error, path, "a host library"));
    }
    return library;
}

} // namespace

PlatformLibrary PlatformLibrary::Load(const Installation& installation) {
    const std::string path = installation.PlatformLibrary();
    std::string error;
    PlatformLibrary platform;
    platform.library_ = SharedLibrary::Open(path, error);
    if (!platform.library_.IsLoaded()) {
        throw PlatformLoadError("cannot load " + path + ": " +
                                ExplainLoaderText(error, path, "the platform library"));
    }
    const SharedLibrary& lib = platform.library_;
    const std::string file =
        VELMORA::NEVRA::Platform::FilePath(installation.PlatformLibrary()).FileName();
    Resolve(lib, Export::OrvaneInit, file.c_str(), platform.init_);
    Resolve(lib, Export::OrvaneExit, file.c_str(), platform.exit_);
    Resolve(lib, Export::KxRegList, file.c_str(), platform.regList_);
    Resolve(lib, Export::KxResourcePathList, file.c_str(), platform.pathList_);
    Resolve(lib, Export::KxResourceCheckPathList, file.c_str(), platform.checkPathList_);
    namespace HostLibraryName = VELMORA::NEVRA::Platform::HostLibraryName;
    const std::string host = HostLibraryName::File(HostLibraryName::Host);
    const std::string configuration = HostLibraryName::File(HostLibraryName::Configuration);
    platform.host_ = OpenHostLibrary(installation, host);
    platform.configuration_ = OpenHostLibrary(installation, configuration);
    Resolve(platform.host_, "kdlPathCount", host.c_str(), platform.pathCount_);
    Resolve(platform.host_, "kdlPathAt", host.c_str(), platform.pathAt_);
    Resolve(platform.host_, "kdlHelpDocCurrent", host.c_str(), platform.helpDoc_);
    Resolve(platform.configuration_, "GetIUserFolderMgr", configuration.c_str(), platform.folders_);
    return platform;
}

std::vector<RegisteredPackage> PlatformLibrary::Packages() const {
    RegListCollector collector;
    regList_(&collector);
    return collector.Packages();
}

std::vector<std::string> PlatformLibrary::ResourcePaths(int type) const {
    PathListCollector collector;
    pathList_(type, &collector);
    return collector.Paths();
}

std::vector<ResourceConflict> PlatformLibrary::Conflicts(int type) const {
    ConflictCollector collector;
    checkPathList_(type, &collector);
    return collector.Conflicts();
}

std::vector<std::string> PlatformLibrary::HostSearchPath() const {
    std::vector<std::string> paths;
    const int count = pathCount_();
    for (int i = 0; i < count; ++i) {
        if (const char* path = pathAt_(i)) {
            paths.emplace_back(path);
        }
    }
    return paths;
}

std::string PlatformLibrary::HelpDocument() const {
    const char* document = helpDoc_();
    return document != nullptr ? document : "";
}

std::string PlatformLibrary::UserFolder(int kind) const {
    IUserFolderMgr* folders = folders_();
    const char* folder = folders != nullptr ? folders->FolderPath(kind) : nullptr;
    return folder != nullptr ? folder : "";
}

} // namespace kaldor
