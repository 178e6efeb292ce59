#include "IUserFolderMgr.h"

#include "UserFolderMgrImpl.h"

namespace {

// Built at library load, before any library that asks for folders, and destroyed after them.
KaldorConfig::UserFolderMgrImpl folderMgr;

} // namespace

extern "C" IUserFolderMgr* GetIUserFolderMgr(void) {
    return &folderMgr;
}
