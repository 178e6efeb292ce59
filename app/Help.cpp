#include "Help.h"

#include "ResourceTypes.h"

namespace kaldor {

const char* CommandSummary(Command command) {
    switch (command) {
    case Command::Run:
        return "start the installation and report what happened";
    case Command::Check:
        return "examine the installation without running any package code";
    case Command::Paths:
        return "list the resource folders of one type over all packages";
    case Command::Conflicts:
        return "list resource names defined more than once";
    case Command::Recover:
        return "tell where the last start-up ended; switch a crashing application off";
    case Command::Help:
        break;
    }
    return "print help";
}

std::string CommandDescription(Command command) {
    switch (command) {
    case Command::Run:
        return "Starts the installation (OrvaneInit) and prints the start-up result, the package\n"
               "tree, the host's search path, the resource conflicts of each type, the time of\n"
               "each start-up stage and package, and the log file. When start-up fails it prints\n"
               "the fatal log records with what they mean and exits with 1.\n";
    case Command::Check:
        return "A dry run: reads the load lists and examines every library they name (does it\n"
               "exist, does it export its two entry points, can its own dependencies be found),\n"
               "every resource root (setting files, search paths the host refuses) and the\n"
               "platform's own files. Neither Orvane.so nor any package is loaded. Exits with 1\n"
               "when it finds a problem.\n";
    case Command::Paths:
        return "Starts the installation and lists the folder of resource type TYPE in every\n"
               "package's resource root (KxResourcePathList).\n";
    case Command::Conflicts:
        return "Starts the installation and lists the resource names of type TYPE (every type\n"
               "when TYPE is left out) that are defined more than once, with the files that\n"
               "define them (KxResourceCheckPathList).\n";
    case Command::Recover:
        return "Reads the log of the user folders and tells whether the last start-up finished;\n"
               "when it did not (a package crashed or hung it), which package's import or Init\n"
               "was running, in which stage and since when, and what can be done. With\n"
               "--disable, an application is switched off for the next start-up through the\n"
               "pending application list (a copy of the previous list is kept). Loads no package\n"
               "and not Orvane.so. Exits with 1 when the last start-up did not finish and\n"
               "nothing was switched off.\n";
    case Command::Help:
        break;
    }
    return "The host program of the Orvane platform: it loads an installation's Orvane.so,\n"
           "brings the installation up with OrvaneInit, reports, and takes it down again.\n";
}

std::string HelpFooter(Command command) {
    switch (command) {
    case Command::Paths:
    case Command::Conflicts:
        return "TYPE: " + ResourceTypeNames() + ".\n";
    case Command::Run:
    case Command::Check:
    case Command::Recover:
        return {};
    case Command::Help:
        break;
    }
    return "Resource types: " + ResourceTypeNames() +
           ".\n"
           "\n"
           "Without --install and with KALDOR_HOME unset, the bundled demo keeps its user folders\n"
           "in demo-home/ beside the program's bin/ folder, never in your home.\n"
           "\n"
           "Exit codes: 0 success; 1 start-up failed, check found problems or the last start-up\n"
           "did not finish (recover); 2 wrong command line; 3 the installation cannot be used;\n"
           "4 an unexpected error (one line on standard error); 5 start-up or shut-down\n"
           "outlasted run --timeout.\n";
}

std::string UsageHint() {
    return "Run 'kaldor --help' for the commands and options.";
}

} // namespace kaldor
