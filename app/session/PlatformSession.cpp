#include "PlatformSession.h"

#include "UserLog.h"

#include <HostLibraryNames.h>
#include <Kaldor_Config/IUserFolderMgr.h>
#include <UserProductFolder.h>

#include <KxGui/KxGui.h>

#include <QCoreApplication>

#include <chrono>

namespace kaldor {

namespace HostLibraryName = VELMORA::NEVRA::Platform::HostLibraryName;

namespace {

SharedLibrary LoadHostLibrary(const Installation& installation, const char* stem) {
    // A missing one is the platform's affair: it reports what it cannot reach.
    std::string error;
    return SharedLibrary::Open(installation.BinFile(HostLibraryName::File(stem)), error);
}

} // namespace

PlatformSession::PlatformSession(const Installation& installation)
    : database_(LoadHostLibrary(installation, HostLibraryName::Database)),
      gui_(LoadHostLibrary(installation, HostLibraryName::Gui)), log_(installation),
      platform_(PlatformLibrary::Load(installation)) {
    if (QCoreApplication::instance() == nullptr) {
        throw PlatformLoadError("internal error: the Qt application object must exist first");
    }
    logFile_ = LogFileIn(platform_.UserFolder(UserFolderLogs));
    userLibraryDir_ =
        VELMORA::NEVRA::Platform::UserProductFolder(platform_.UserFolder(UserFolderLibrary));
    rolesFolder_ = platform_.UserFolder(UserFolderRoles);
}

PlatformSession::~PlatformSession() {
    if (started_ && !stopped_) {
        // Reached when an error leaves the session: the platform goes down all the same, and
        // the error on its way out says more than the records could.
        try {
            Stop();
        } catch (...) {
        }
    }
}

int PlatformSession::Start() {
    started_ = true;
    const auto begin = std::chrono::steady_clock::now();
    const int result = platform_.Init();
    startMilliseconds_ = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - begin)
                             .count();
    return result;
}

void PlatformSession::Stop() {
    stopped_ = true;
    platform_.Exit();
    records_ = log_.Records();
    platform_.Unload();
}

std::string PlatformSession::BrowserProfile() const {
    const auto current = gui_.Find<decltype(&KxGuiCurrentProfile)>("KxGuiCurrentProfile");
    const char* profile = current != nullptr ? current() : nullptr;
    return profile != nullptr ? profile : "";
}

} // namespace kaldor
