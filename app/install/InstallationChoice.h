// Which installation a command works on, and which user folders it gives the platform.
#pragma once

#include "Installation.h"
#include "commands/CommandLine.h"

#include <string>

namespace kaldor {

struct InstallationChoice {
    Installation installation;
    bool bundled = false;       // the bundled demo, chosen because --install was not given
    std::string home;           // KALDOR_HOME as the platform will see it ("" when unset)
    bool homeDefaulted = false; // set here because the bundled demo must not touch $HOME
};

// --install, or else the bundled demo. For the bundled demo an unset KALDOR_HOME is set to the
// demo's own home folder, so that a demo run never writes into the user's real home.
// Throws InstallationError.
InstallationChoice ChooseInstallation(const CommandLine& commandLine);

} // namespace kaldor
