#include "InstallationChoice.h"

#include <HostCommon/HostEnv.h>
#include <Sys.h>

namespace kaldor {

namespace Sys = VELMORA::NEVRA::Platform::Sys;

InstallationChoice ChooseInstallation(const CommandLine& commandLine) {
    std::string home;
    const bool homeSet = Sys::GetEnvironment(HostCommon::kHomeVariable, home);
    if (commandLine.InstallDir()) {
        Installation installation = Installation::Open(*commandLine.InstallDir());
        return {installation, false, home, false};
    }
    const auto demo = FindBundledDemo();
    if (!demo) {
        throw InstallationError("no bundled demo installation was found beside this program; "
                                "name an installation with --install DIR");
    }
    Installation installation = Installation::Open(demo->installDir);
    if (homeSet) {
        return {installation, true, home, false};
    }
    home = demo->homeDir;
    if (!Sys::SetEnvironment(HostCommon::kHomeVariable, home)) {
        throw InstallationError("the demo's user folders " + home + " cannot be given to the " +
                                "installation through " + HostCommon::kHomeVariable + ": " +
                                Sys::ErrorText(Sys::LastError()));
    }
    return {installation, true, home, true};
}

} // namespace kaldor
