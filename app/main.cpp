// kaldor: the host program of the Orvane platform.
#include "CommandLine.h"
#include "Commands.h"
#include "ExitCodes.h"
#include "Help.h"
#include "Installation.h"
#include "PlatformLibrary.h"

#include <QCoreApplication>

#include <exception>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace kaldor;
    CommandLine commandLine;
    try {
        commandLine = CommandLine::Parse(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& error) {
        std::cerr << "kaldor: " << error.what() << "\n" << UsageHint() << "\n";
        return ExitUsage;
    }
    if (commandLine.HelpWanted()) {
        std::cout << HelpText(commandLine.HelpTopic());
        return ExitSuccess;
    }
    try {
        switch (commandLine.Which()) {
        case Command::Check:
            return CheckCommand(commandLine);
        case Command::Recover:
            return RecoverCommand(commandLine);
        case Command::Run:
        case Command::Paths:
        case Command::Conflicts: {
            // Translators can only be installed while the application object exists, and the
            // platform installs them during start-up.
            QCoreApplication application(argc, argv);
            if (commandLine.Which() == Command::Run) {
                return RunCommand(commandLine);
            }
            return commandLine.Which() == Command::Paths ? PathsCommand(commandLine)
                                                         : ConflictsCommand(commandLine);
        }
        case Command::Help:
            break;
        }
    } catch (const UsageError& error) {
        std::cerr << "kaldor: " << error.what() << "\n" << UsageHint() << "\n";
        return ExitUsage;
    } catch (const InstallationError& error) {
        std::cerr << "kaldor: " << error.what() << "\n";
        return ExitUnusable;
    } catch (const PlatformLoadError& error) {
        std::cerr << "kaldor: " << error.what() << "\n";
        return ExitUnusable;
    } catch (const std::exception& error) {
        std::cerr << "kaldor: unexpected error: " << error.what() << "\n";
        return ExitUnusable;
    }
    return ExitSuccess;
}
