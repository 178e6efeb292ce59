#include "UserFolderMgrImpl.h"

#include <HostCommon/HostEnv.h>
#include <HostCommon/HostTrace.h>

namespace KaldorConfig {

namespace {

// The folder name under the home root for the kinds the product knows by name.
std::string DefaultFolderName(int kind) {
    switch (kind) {
    case UserFolderLibrary:
        return "library";
    case UserFolderLogs:
        return "logs";
    case UserFolderRoles:
        return "roles";
    default:
        return "folder" + std::to_string(kind);
    }
}

} // namespace

std::string UserFolderMgrImpl::ResolveHome() {
    if (auto home = HostCommon::EnvValue(HostCommon::kHomeVariable)) {
        return *home;
    }
    // Without HOME the folders lie below the working directory rather than below the root.
    const auto user = HostCommon::EnvValue("HOME");
    return user && !user->empty() ? *user + "/.kaldor" : std::string(".kaldor");
}

std::string UserFolderMgrImpl::ResolveFolder(int kind) {
    if (auto folder = HostCommon::EnvValue(("KALDOR_FOLDER_" + std::to_string(kind)).c_str())) {
        return *folder;
    }
    return ResolveHome() + "/" + DefaultFolderName(kind);
}

const char* UserFolderMgrImpl::HomePath() {
    home_ = ResolveHome();
    return home_.c_str();
}

const char* UserFolderMgrImpl::FolderPath(int kind) {
    folder_ = ResolveFolder(kind);
    HostCommon::Trace("FolderPath", {std::to_string(kind), folder_});
    return folder_.c_str();
}

} // namespace KaldorConfig
