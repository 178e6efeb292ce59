#include "UserLog.h"

#include "PlatformLibrary.h"
#include "SharedLibrary.h"

#include <HostLibraryNames.h>
#include <Kaldor_Config/IUserFolderMgr.h>
#include <KxLog/KxLog.h>
#include <UserProductFolder.h>

namespace kaldor {

std::string LogFileIn(const std::string& logFolder) {
    return VELMORA::NEVRA::Platform::LogProductFolder(logFolder) + KxLogFileName;
}

std::string UserLogFile(const Installation& installation) {
    namespace HostLibraryName = VELMORA::NEVRA::Platform::HostLibraryName;
    const std::string file =
        installation.BinFile(HostLibraryName::File(HostLibraryName::Configuration));
    std::string error;
    const SharedLibrary library = SharedLibrary::Open(file, error);
    if (!library.IsLoaded()) {
        throw PlatformLoadError("cannot load " + file + ": " + error);
    }
    const auto folders = library.Find<decltype(&GetIUserFolderMgr)>("GetIUserFolderMgr");
    IUserFolderMgr* manager = folders != nullptr ? folders() : nullptr;
    const char* folder = manager != nullptr ? manager->FolderPath(UserFolderLogs) : nullptr;
    if (folder == nullptr) {
        throw PlatformLoadError(file + " does not report the user's log folder");
    }
    return LogFileIn(folder);
}

} // namespace kaldor
