#include "XnUi.h"

#include <HostCommon/HostEnv.h>
#include <HostCommon/HostTrace.h>

#include <utility>

namespace XnUi {

namespace {

// Built at library load, before any library that asks for profiles, and destroyed after them.
ProfileManager profileManager;

} // namespace

Profile::Profile(QString roleDir) : roleDir_(std::move(roleDir)) {}

QString Profile::userRoleDir() const {
    return roleDir_;
}

Profile* ProfileManager::profile() {
    if (HostCommon::EnvValueOr("KALDOR_PROFILE", "") == "none") {
        HostCommon::Trace("profile", {"(none)"});
        return nullptr;
    }
    const std::string role = HostCommon::ProfileRole();
    current_ = Profile(QString::fromLocal8Bit(role.data(), static_cast<int>(role.size())));
    HostCommon::Trace("profile", {role});
    return &current_;
}

ProfileManager* GetProfileManager() {
    return &profileManager;
}

} // namespace XnUi
