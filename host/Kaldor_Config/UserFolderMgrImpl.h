// The host's user folders, configured by the environment: KALDOR_FOLDER_<k> names folder k
// outright; otherwise it lies under KALDOR_HOME (default $HOME/.kaldor).
#pragma once

#include "IUserFolderMgr.h"

#include <string>

namespace KaldorConfig {

class UserFolderMgrImpl final : public IUserFolderMgr {
public:
    const char* HomePath() override;
    const char* FolderPath(int kind) override;

    // The home root and the folder of kind `kind` as the environment sets them now.
    static std::string ResolveHome();
    static std::string ResolveFolder(int kind);

private:
    // Each query returns a pointer into its own storage, valid until the next call of it.
    std::string home_;
    std::string folder_;
};

} // namespace KaldorConfig
