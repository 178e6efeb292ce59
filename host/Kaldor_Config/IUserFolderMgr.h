// The host configuration library: the user's folders by kind.
#pragma once

#include <HostCommon/HostExport.h>

// The kinds of user folder the product asks for.
enum UserFolderKind : int {
    UserFolderLibrary = 5, // the product's library: seeded custom files
    UserFolderLogs = 6,    // the per-user folder: the log, preferences, default settings
    UserFolderRoles = 7,   // the role folders of the user's profiles
};

class IUserFolderMgr {
public:
    virtual ~IUserFolderMgr() = default;
    // The root of all user folders (KALDOR_HOME, default $HOME/.kaldor).
    virtual const char* HomePath() = 0;
    // The folder of kind `kind`; valid until the next call on this object.
    virtual const char* FolderPath(int kind) = 0;
};

extern "C" KX_HOST_API IUserFolderMgr* GetIUserFolderMgr(void);
