#include "CommandLine.h"

#include <array>
#include <utility>

namespace kaldor {

namespace {

constexpr std::array<std::pair<const char*, Command>, 5> CommandNames{{
    {"run", Command::Run},
    {"check", Command::Check},
    {"paths", Command::Paths},
    {"conflicts", Command::Conflicts},
    {"help", Command::Help},
}};

std::optional<Command> CommandNamed(const std::string& name) {
    for (const auto& [text, command] : CommandNames) {
        if (name == text) {
            return command;
        }
    }
    return std::nullopt;
}

bool IsHelpOption(const std::string& argument) {
    return argument == "--help" || argument == "-h";
}

// How many positional arguments after the command name each command takes: (least, most).
std::pair<std::size_t, std::size_t> PositionalRange(Command command) {
    switch (command) {
    case Command::Paths:
        return {1, 1};
    case Command::Conflicts:
    case Command::Help:
        return {0, 1};
    case Command::Run:
    case Command::Check:
        return {0, 0};
    }
    return {0, 0};
}

// The value of "--name VALUE" or "--name=VALUE" at arguments[i] (advancing i past a separate
// value); nothing when the argument is another one. Throws when the value is missing or empty.
std::optional<std::string> OptionValue(const std::vector<std::string>& arguments, std::size_t& i,
                                       const std::string& name, const char* what) {
    const std::string& argument = arguments[i];
    std::string value;
    if (argument == name) {
        if (i + 1 >= arguments.size()) {
            throw UsageError(name + " needs " + what);
        }
        value = arguments[++i];
    } else if (argument.rfind(name + "=", 0) == 0) {
        value = argument.substr(name.size() + 1);
    } else {
        return std::nullopt;
    }
    if (value.empty()) {
        throw UsageError(name + " needs " + what);
    }
    return value;
}

} // namespace

const char* CommandName(Command command) {
    for (const auto& [text, value] : CommandNames) {
        if (value == command) {
            return text;
        }
    }
    return "help";
}

CommandLine CommandLine::Parse(const std::vector<std::string>& arguments) {
    CommandLine line;
    std::optional<Command> command;
    bool help = false;
    std::vector<std::string> positional;

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (IsHelpOption(argument)) {
            help = true;
        } else if (argument == "--json") {
            line.json_ = true;
        } else if (auto install = OptionValue(arguments, i, "--install", "a directory")) {
            line.install_ = std::move(install);
        } else if (auto trace = OptionValue(arguments, i, "--trace", "a file")) {
            line.trace_ = std::move(trace);
        } else if (argument.size() > 1 && argument[0] == '-') {
            throw UsageError("unknown option '" + argument + "'");
        } else if (!command) {
            command = CommandNamed(argument);
            if (!command) {
                throw UsageError("unknown command '" + argument + "'");
            }
        } else {
            positional.push_back(argument);
        }
    }

    if (!command) {
        if (!help) {
            throw UsageError("no command given");
        }
        line.command_ = Command::Help;
        line.helpTopic_ = Command::Help;
        return line;
    }
    if (*command == Command::Help || help) {
        Command topic = *command;
        if (*command == Command::Help) {
            topic = Command::Help;
            if (!positional.empty()) {
                const auto named = CommandNamed(positional.front());
                if (!named) {
                    throw UsageError("unknown command '" + positional.front() + "'");
                }
                topic = *named;
            }
        }
        line.command_ = Command::Help;
        line.helpTopic_ = topic;
        return line;
    }

    const auto [least, most] = PositionalRange(*command);
    if (positional.size() < least) {
        throw UsageError(std::string(CommandName(*command)) + " needs a resource type");
    }
    if (positional.size() > most) {
        throw UsageError("unexpected argument '" + positional[most] + "' for " +
                         CommandName(*command));
    }
    if (line.trace_ && *command != Command::Run) {
        throw UsageError(std::string("--trace belongs to run, not to ") + CommandName(*command));
    }
    line.command_ = *command;
    if (!positional.empty()) {
        line.type_ = positional.front();
    }
    return line;
}

} // namespace kaldor
