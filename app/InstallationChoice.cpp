#include "InstallationChoice.h"

#include <cstdlib>

namespace kaldor {

InstallationChoice ChooseInstallation(const CommandLine& commandLine) {
    if (commandLine.InstallDir()) {
        Installation installation = Installation::Open(*commandLine.InstallDir());
        const char* home = std::getenv("KALDOR_HOME");
        return {installation, false, home != nullptr ? home : "", false};
    }
    const auto demo = FindBundledDemo();
    if (!demo) {
        throw InstallationError("no bundled demo installation was found beside this program; "
                                "name an installation with --install DIR");
    }
    Installation installation = Installation::Open(demo->installDir);
    if (const char* home = std::getenv("KALDOR_HOME")) {
        return {installation, true, home, false};
    }
    const std::string home = demo->homeDir.lexically_normal().string();
    setenv("KALDOR_HOME", home.c_str(), 1);
    return {installation, true, home, true};
}

} // namespace kaldor
