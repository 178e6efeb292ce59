// Orvane.so of one installation, loaded the way the real host loads it, with typed access to
// its exports and to the host libraries it brought into the process.
#pragma once

#include "PlatformListeners.h"
#include "SharedLibrary.h"
#include "install/Installation.h"

#include <orvane/Orvane.h>

#include <Kaldor/Kaldor.h>
#include <Kaldor_Config/IUserFolderMgr.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace kaldor {

// The platform library cannot be loaded or is not one; the text says why in plain words.
class PlatformLoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class PlatformLibrary final {
public:
    // Throws PlatformLoadError.
    static PlatformLibrary Load(const Installation& installation);

    int Init() const { return init_(); }
    int Exit() const { return exit_(); }
    std::vector<RegisteredPackage> Packages() const;
    std::vector<std::string> ResourcePaths(int type) const;
    std::vector<ResourceConflict> Conflicts(int type) const;

    // The host's side, answered by the host libraries that the platform library loaded.
    std::vector<std::string> HostSearchPath() const;
    std::string HelpDocument() const;
    std::string UserFolder(int kind) const;

    // Unloads the library; the exports are unusable afterwards.
    void Unload() {
        host_.Close();
        configuration_.Close();
        library_.Close();
    }

private:
    PlatformLibrary() = default;

    SharedLibrary library_;
    // The host libraries that the platform library loaded, taken by their own handles: a
    // Windows module's handle reaches only its own exports.
    SharedLibrary host_;
    SharedLibrary configuration_;
    decltype(&OrvaneInit) init_ = nullptr;
    decltype(&OrvaneExit) exit_ = nullptr;
    decltype(&KxRegList) regList_ = nullptr;
    decltype(&KxResourcePathList) pathList_ = nullptr;
    decltype(&KxResourceCheckPathList) checkPathList_ = nullptr;
    decltype(&kdlPathCount) pathCount_ = nullptr;
    decltype(&kdlPathAt) pathAt_ = nullptr;
    decltype(&kdlHelpDocCurrent) helpDoc_ = nullptr;
    decltype(&GetIUserFolderMgr) folders_ = nullptr;
};

} // namespace kaldor
