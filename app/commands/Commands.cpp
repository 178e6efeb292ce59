#include "Commands.h"

#include "CommandLine.h"
#include "ExitCodes.h"

#include <algorithm>

namespace kaldor {

// The handlers, each in a file of its own.
int RunCommand(const CommandLine& commandLine);
int CheckCommand(const CommandLine& commandLine);
int PathsCommand(const CommandLine& commandLine);
int ConflictsCommand(const CommandLine& commandLine);
int RecoverCommand(const CommandLine& commandLine);
int HelpCommand(const CommandLine& commandLine);

namespace {

// The longer texts of the table.
constexpr char RunDescription[] =
    "Starts the installation (OrvaneInit) and prints the start-up result, the package\n"
    "tree, the host's search path, the resource conflicts of each type, the time of\n"
    "each start-up stage and package, and the log file. When start-up fails it prints\n"
    "the fatal log records with what they mean and exits with 1.\n";
constexpr char TraceHelp[] = "also write the start-up and shut-down, stage by stage and package\n"
                             "by package, as a trace (Trace Event Format JSON; open it in\n"
                             "https://ui.perfetto.dev or chrome://tracing)";
constexpr char TimeoutHelp[] =
    "when start-up, or shut-down, has not finished after SECONDS, name\n"
    "the package whose import, Init or Exit is running, write the trace\n"
    "so far (--trace) and end with exit code ";
constexpr char CheckDescription[] =
    "A dry run: reads the load lists and examines every library they name (does it\n"
    "exist, does it export its two entry points, can its own dependencies be found),\n"
    "every resource root (setting files, search paths the host refuses) and the\n"
    "platform's own files. Neither Orvane.so nor any package is loaded. Exits with 1\n"
    "when it finds a problem.\n";
constexpr char RecoverDescription[] =
    "Reads the log of the user folders and tells whether the last start-up finished;\n"
    "when it did not (a package crashed or hung it), which package's import or Init\n"
    "was running, in which stage and since when, and what can be done. With\n"
    "--disable, an application is switched off for the next start-up through the\n"
    "pending application list (a copy of the previous list is kept). Loads no package\n"
    "and not Orvane.so. Exits with 1 when the last start-up did not finish and\n"
    "nothing was switched off.\n";

} // namespace

bool CommandRow::Takes(Argument kind) const {
    return std::any_of(arguments.begin(), arguments.end(),
                       [kind](const CommandArgument& argument) { return argument.kind == kind; });
}

const std::vector<CommandRow>& CommandTable() {
    static const std::vector<CommandRow> table{
        {"run",
         "start the installation and report what happened",
         RunDescription,
         {{Argument::Trace, TraceHelp},
          {Argument::Timeout, TimeoutHelp + std::to_string(ExitTimeout)}},
         true,
         RunCommand},
        {"check",
         "examine the installation without running any package code",
         CheckDescription,
         {},
         false,
         CheckCommand},
        {"paths",
         "list the resource folders of one type over all packages",
         "Starts the installation and lists the folder of resource type TYPE in every\n"
         "package's resource root (KxResourcePathList).\n",
         {{Argument::RequiredType, "the resource type"}},
         true,
         PathsCommand},
        {"conflicts",
         "list resource names defined more than once",
         "Starts the installation and lists the resource names of type TYPE (every type\n"
         "when TYPE is left out) that are defined more than once, with the files that\n"
         "define them (KxResourceCheckPathList).\n",
         {{Argument::OptionalType, "the resource type; every type when left out"}},
         true,
         ConflictsCommand},
        {"recover",
         "tell where the last start-up ended; switch a crashing application off",
         RecoverDescription,
         {{Argument::Disable, "switch the application the last start-up ended inside off for the\n"
                              "next start-up (pending application list)"}},
         false,
         RecoverCommand},
        {"help",
         "print help",
         "",
         {{Argument::Topic, "the command to explain"}},
         false,
         HelpCommand},
    };
    return table;
}

const CommandRow* FindCommand(const std::string& name) {
    for (const CommandRow& command : CommandTable()) {
        if (name == command.name) {
            return &command;
        }
    }
    return nullptr;
}

const CommandRow& HelpCommandRow() {
    const auto& table = CommandTable();
    return *std::find_if(table.begin(), table.end(),
                         [](const CommandRow& command) { return command.IsHelp(); });
}

std::string CommandsTaking(Argument kind) {
    std::string names;
    for (const CommandRow& command : CommandTable()) {
        if (command.Takes(kind)) {
            names += (names.empty() ? "" : " or ") + std::string(command.name);
        }
    }
    return names;
}

} // namespace kaldor
