// kaldor: the host program of the Orvane platform.
#include "commands/CommandLine.h"
#include "commands/ExitCodes.h"
#include "commands/Help.h"
#include "install/Installation.h"
#include "session/PlatformLibrary.h"

#include <QCoreApplication>

#include <exception>
#include <iostream>
#include <string>
#include <vector>

namespace {

using namespace kaldor;

// Each message is composed before anything is written, so that a failure while composing it
// (memory running out) leaves standard error to the one line of main.
int Report(const std::string& message, int exitCode) {
    std::cerr << message;
    return exitCode;
}

int UsageFailure(const UsageError& error) {
    return Report("kaldor: " + std::string(error.what()) + "\n" + UsageHint() + "\n", ExitUsage);
}

int Kaldor(int argc, char** argv) {
    CommandLine commandLine;
    try {
        commandLine = CommandLine::Parse(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& error) {
        return UsageFailure(error);
    }
    const CommandRow& command = commandLine.Which();
    try {
        if (!command.needsApplication) {
            return command.handler(commandLine);
        }
        // Translators can only be installed while the application object exists, and the
        // platform installs them during start-up. kaldor runs no event loop, so it takes Qt's
        // plain event dispatcher: GLib's ends the process when it cannot allocate.
        qputenv("QT_NO_GLIB", "1");
        QCoreApplication application(argc, argv);
        return command.handler(commandLine);
    } catch (const UsageError& error) {
        return UsageFailure(error);
    } catch (const InstallationError& error) {
        return Report("kaldor: " + std::string(error.what()) + "\n", ExitUnusable);
    } catch (const PlatformLoadError& error) {
        return Report("kaldor: " + std::string(error.what()) + "\n", ExitUnusable);
    }
}

} // namespace

// Whatever escapes, std::bad_alloc included, ends kaldor with its own exit code and one line,
// never by the signal of std::terminate. What is written needs no memory of its own.
int main(int argc, char** argv) {
    try {
        return Kaldor(argc, argv);
    } catch (const std::exception& error) {
        std::cerr << "kaldor: unexpected error: " << error.what() << "\n";
    } catch (...) {
        std::cerr << "kaldor: unexpected error\n";
    }
    return ExitUnexpected;
}
