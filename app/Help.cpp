#include "Help.h"

#include "ResourceTypes.h"

namespace kaldor {

namespace {

const char* const CommonOptions =
    "  --install DIR   the installation to use (the folder whose bin/ holds Orvane.so);\n"
    "                  default: the demo installation bundled with this program\n"
    "  --json          print the answer as JSON\n"
    "  --help, -h      print this help\n";

std::string Overview() {
    return std::string(
               "Usage: kaldor <command> [options]\n"
               "\n"
               "The host program of the Orvane platform: it loads an installation's Orvane.so,\n"
               "brings the installation up with OrvaneInit, reports, and takes it down again.\n"
               "\n"
               "Commands:\n"
               "  run               start the installation and report what happened\n"
               "  check             examine the installation without running any package code\n"
               "  paths TYPE        list the resource folders of one type over all packages\n"
               "  conflicts [TYPE]  list resource names defined more than once\n"
               "  help [COMMAND]    print help\n"
               "\n"
               "Options:\n") +
           CommonOptions +
           "\n"
           "Resource types: " +
           ResourceTypeNames() +
           ".\n"
           "\n"
           "Without --install and with KALDOR_HOME unset, the bundled demo keeps its user folders\n"
           "in demo-home/ beside the program's bin/ folder, never in your home.\n"
           "\n"
           "Exit codes: 0 success; 1 start-up failed or check found problems; 2 wrong command\n"
           "line; 3 the installation cannot be used.\n";
}

} // namespace

std::string HelpText(Command topic) {
    switch (topic) {
    case Command::Run:
        return std::string("Usage: kaldor run [--install DIR] [--json] [--trace FILE]\n"
                           "\n"
                           "Starts the installation (OrvaneInit) and prints the start-up result, "
                           "the package\n"
                           "tree, the host's search path, the resource conflicts of each type, "
                           "the time of\n"
                           "each start-up stage and package, and the log file. When start-up "
                           "fails it prints\n"
                           "the fatal log records with what they mean and exits with 1.\n"
                           "\n"
                           "Options:\n"
                           "  --trace FILE    also write the start-up and shut-down, stage by "
                           "stage and package\n"
                           "                  by package, as a trace (Trace Event Format JSON; "
                           "open it in\n"
                           "                  https://ui.perfetto.dev or chrome://tracing)\n") +
               CommonOptions;
    case Command::Check:
        return std::string(
                   "Usage: kaldor check [--install DIR] [--json]\n"
                   "\n"
                   "A dry run: reads the load lists and examines every library they name (does "
                   "it exist,\n"
                   "does it export its two entry points, can its own dependencies be found), "
                   "every\n"
                   "resource root (setting files, search paths the host refuses) and the "
                   "platform's\n"
                   "own files. Neither Orvane.so nor any package is loaded. Exits with 1 when "
                   "it finds\n"
                   "a problem.\n"
                   "\n"
                   "Options:\n") +
               CommonOptions;
    case Command::Paths:
        return std::string("Usage: kaldor paths TYPE [--install DIR] [--json]\n"
                           "\n"
                           "Starts the installation and lists the folder of resource type TYPE "
                           "in every\n"
                           "package's resource root (KxResourcePathList).\n"
                           "\n"
                           "TYPE: ") +
               ResourceTypeNames() + ".\n\nOptions:\n" + CommonOptions;
    case Command::Conflicts:
        return std::string("Usage: kaldor conflicts [TYPE] [--install DIR] [--json]\n"
                           "\n"
                           "Starts the installation and lists the resource names of type TYPE "
                           "(every type when\n"
                           "TYPE is left out) that are defined more than once, with the files "
                           "that define them\n"
                           "(KxResourceCheckPathList).\n"
                           "\n"
                           "TYPE: ") +
               ResourceTypeNames() + ".\n\nOptions:\n" + CommonOptions;
    case Command::Help:
        break;
    }
    return Overview();
}

std::string UsageHint() {
    return "Run 'kaldor --help' for the commands and options.";
}

} // namespace kaldor
