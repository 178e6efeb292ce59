// What the user asked for on the command line.
#pragma once

#include "Commands.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kaldor {

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

    const CommandRow& Which() const { return *command_; }
    // The command whose help was asked for; none, or help itself, for the overview.
    const CommandRow* HelpTopic() const { return helpTopic_; }
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
    const CommandRow* command_ = nullptr;
    const CommandRow* helpTopic_ = nullptr;
    bool json_ = false;
    std::optional<std::string> install_;
    std::optional<std::string> type_;
    std::optional<std::string> trace_;
    std::optional<double> timeout_;
    bool disable_ = false;
};

// The help of one command, or the overview for none or help, generated from the declarations
// the command line is parsed with.
std::string HelpText(const CommandRow* topic);

} // namespace kaldor
