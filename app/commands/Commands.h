// kaldor's commands, one row each. The command line is declared from the rows, the help is
// generated from them and main runs a command through its row: a command is added by adding
// its row and its handler.
#pragma once

#include <string>
#include <vector>

namespace kaldor {

class CommandLine;

// What a command takes besides --install and --json.
enum class Argument {
    Topic,        // COMMAND: the command whose help is wanted
    RequiredType, // TYPE: a resource type
    OptionalType, // [TYPE]: a resource type, every type when left out
    Trace,        // --trace FILE
    Timeout,      // --timeout SECONDS
    Disable,      // --disable
};

struct CommandArgument {
    Argument kind;
    std::string help;
};

// Returns the program's exit code. Throws InstallationError and PlatformLoadError for an
// unusable installation, UsageError for a wrong argument.
using CommandHandler = int (*)(const CommandLine& commandLine);

struct CommandRow {
    const char* name;        // as typed, and as named in messages and help
    const char* summary;     // its line in the overview
    const char* description; // what it does, above its usage
    std::vector<CommandArgument> arguments;
    // It starts the installation, whose translators need an application object.
    bool needsApplication;
    CommandHandler handler;

    bool Takes(Argument kind) const;
    // The help command: its one argument names another command.
    bool IsHelp() const { return Takes(Argument::Topic); }
};

// In the order of the overview.
const std::vector<CommandRow>& CommandTable();
const CommandRow* FindCommand(const std::string& name);
const CommandRow& HelpCommandRow();
// The commands that take `kind`, for a message about an argument given to another one.
std::string CommandsTaking(Argument kind);

} // namespace kaldor
