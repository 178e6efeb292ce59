// What the user asked for on the command line.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kaldor {

enum class Command { Run, Check, Paths, Conflicts, Recover, Help };

// A mistake on the command line. The program prints it with a pointer to --help and exits 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class CommandLine {
public:
    // Throws UsageError for an unknown command or option, a missing or surplus argument, in the
    // words of the command-line parser.
    static CommandLine Parse(const std::vector<std::string>& arguments);

    Command Which() const { return command_; }
    // The command whose help was asked for; Help itself for the overview.
    Command HelpTopic() const { return helpTopic_; }
    bool HelpWanted() const { return command_ == Command::Help; }
    bool Json() const { return json_; }
    const std::optional<std::string>& InstallDir() const { return install_; }
    const std::optional<std::string>& Type() const { return type_; }
    // run --trace FILE: where to write the start-up and shut-down as a trace.
    const std::optional<std::string>& TraceFile() const { return trace_; }
    // run --timeout SECONDS: how long start-up, and then shut-down, may take.
    const std::optional<double>& TimeoutSeconds() const { return timeout_; }
    // recover --disable: switch the application the last start-up ended inside off.
    bool Disable() const { return disable_; }

private:
    Command command_ = Command::Help;
    Command helpTopic_ = Command::Help;
    bool json_ = false;
    std::optional<std::string> install_;
    std::optional<std::string> type_;
    std::optional<std::string> trace_;
    std::optional<double> timeout_;
    bool disable_ = false;
};

// "run", "check", …; the name used in messages and help.
const char* CommandName(Command command);

// The help of one command, or the overview for Command::Help, generated from the declarations
// the command line is parsed with.
std::string HelpText(Command topic);

} // namespace kaldor
