#include "Help.h"

#include "CommandLine.h"
#include "ExitCodes.h"
#include "install/ResourceTypes.h"

#include <iostream>

namespace kaldor {

namespace {

std::string Code(int exitCode) {
    return std::to_string(exitCode);
}

} // namespace

std::string ProgramDescription() {
    return "The host program of the Orvane platform: it loads an installation's Orvane.so,\n"
           "brings the installation up with OrvaneInit, reports, and takes it down again.\n";
}

std::string OverviewFooter() {
    return "Resource types: " + ResourceTypeNames() +
           ".\n"
           "\n"
           "Without --install and with KALDOR_HOME unset, the bundled demo keeps its user folders\n"
           "in demo-home/ beside the program's bin/ folder, never in your home.\n"
           "\n"
           "Exit codes: " +
           Code(ExitSuccess) + " success; " + Code(ExitFailure) +
           " start-up failed, check found problems or the last start-up\n"
           "did not finish (recover); " +
           Code(ExitUsage) + " wrong command line; " + Code(ExitUnusable) +
           " the installation cannot be used;\n" + Code(ExitUnexpected) +
           " an unexpected error (one line on standard error); " + Code(ExitTimeout) +
           " start-up or shut-down\n"
           "outlasted run --timeout.\n";
}

std::string CommandFooter(const CommandRow& command) {
    if (command.Takes(Argument::RequiredType) || command.Takes(Argument::OptionalType)) {
        return "TYPE: " + ResourceTypeNames() + ".\n";
    }
    return {};
}

std::string UsageHint() {
    return "Run 'kaldor --help' for the commands and options.";
}

int HelpCommand(const CommandLine& commandLine) {
    std::cout << HelpText(commandLine.HelpTopic());
    return ExitSuccess;
}

} // namespace kaldor
