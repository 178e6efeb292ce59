#include "Layout.h"

#include "FilePath.h"
#include "FileSystem.h"
#include "InstallationLayout.h"
#include "ProductNames.h"
#include "UserProductFolder.h"

#include <Kaldor_Config/IUserFolderMgr.h>

namespace VELMORA::NEVRA::Platform {

std::string PlatformName() {
    return ProductNames::Platform;
}
std::string ProductFolderName() {
    return ProductNames::ProductFolder;
}
std::string ProductName() {
    return ProductNames::Product;
}
std::string AppDirectory() {
    FilePath dir(ModuleDirectory());
    dir.AppendDir(InstallationLayout::AppFolder);
    return dir.Str();
}

namespace {

std::string LastFolderName(const FilePath& dir) {
    return dir.DirCount() == 0 ? std::string() : dir.Dir(dir.DirCount() - 1);
}

} // namespace

bool IsBuildTreeLayout() {
    return InstallationLayout::IsBuildTreeFolder(LastFolderName(FilePath(ModuleDirectory())));
}

std::string ResourceRoot(const std::string& name) {
    // Every package registration asks for this: the library's directory is asked for once.
    FilePath root(ModuleDirectory());
    // The component holds several levels on purpose: the second parse below splits them and
    // folds the "..".
    root.AppendDir(InstallationLayout::ResourceAreaPath(LastFolderName(root)));
    root.AppendDir(name);
    return FilePath(root.Str()).Str();
}

std::string PlatformResourceRoot() {
    return ResourceRoot(PlatformName());
}

std::string ResourceArea() {
    return FilePath(PlatformResourceRoot()).Parent().Str();
}

std::string UserLibraryDirectory() {
    return UserProductFolder(FolderPath(UserFolderLibrary));
}

std::string LogDirectory() {
    return LogProductFolder(FolderPath(UserFolderLogs));
}

std::string FolderPath(int kind) {
    IUserFolderMgr* folders = GetIUserFolderMgr();
    const char* path = folders != nullptr ? folders->FolderPath(kind) : nullptr;
    return path != nullptr ? std::string(path) : std::string();
}

} // namespace VELMORA::NEVRA::Platform
