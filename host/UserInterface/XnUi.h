// The product's user-interface library: compiled resources, its search path, user profiles.
#pragma once

#include <HostCommon/HostExport.h>

#include <QString>
#include <QStringList>

namespace XnUi {

// Registers a compiled resource file with Qt's resource system: 1 when it worked, 0 if not.
KX_HOST_API int RegisterRcc(const QString& path);
KX_HOST_API void AddPath(const QString& path);

KX_HOST_API QStringList SearchPath();     // what AddPath collected, in order
KX_HOST_API QStringList RegisteredRccs(); // files RegisterRcc accepted, in order

class KX_HOST_API Profile {
public:
    explicit Profile(QString roleDir);
    // The role directory of this profile (KALDOR_ROLE, default "Engineer").
    QString userRoleDir() const;

private:
    QString roleDir_;
};

class KX_HOST_API ProfileManager {
public:
    // The current profile, or null when there is none (KALDOR_PROFILE=none).
    Profile* profile();

private:
    Profile current_{QString()};
};

KX_HOST_API ProfileManager* GetProfileManager();

} // namespace XnUi
