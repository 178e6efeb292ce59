#include "CommandLine.h"

#include "Help.h"

#include <CLI/CLI.hpp>

#include <algorithm>

#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <utility>
#include <vector>

namespace kaldor {

namespace {

constexpr std::array<Command, 6> Commands{Command::Run,       Command::Check,   Command::Paths,
                                          Command::Conflicts, Command::Recover, Command::Help};

std::optional<Command> CommandNamed(const std::string& name) {
    for (const Command command : Commands) {
        if (name == CommandName(command)) {
            return command;
        }
    }
    return std::nullopt;
}

// An option value may not be empty: --trace "" names no file. (The parser itself refuses
// "--trace=" as a missing value.)
CLI::Validator NonEmpty(const char* what) {
    return CLI::Validator(
        [what](std::string& value) { return value.empty() ? std::string("needs ") + what : ""; },
        "");
}

// --timeout takes a number of seconds above 0, written as a plain number.
CLI::Validator PositiveSeconds() {
    return CLI::Validator(
        [](std::string& value) {
            char* end = nullptr;
            const double seconds = std::strtod(value.c_str(), &end);
            const bool fits =
                end != value.c_str() && *end == '\0' && std::isfinite(seconds) && seconds > 0;
            return fits ? std::string() : std::string("needs a number of seconds above 0");
        },
        "");
}

// The overview lists each command with its arguments and one line about it; a command's own
// help opens with its full description instead.
class OverviewFormatter final : public CLI::Formatter {
public:
    std::string make_subcommand(const CLI::App* command) const override {
        std::string synopsis = command->get_name();
        for (const CLI::Option* argument : command->get_options(
                 [](const CLI::Option* option) { return option->get_positional(); })) {
            const std::string& name = argument->get_name();
            synopsis += argument->get_required() ? " " + name : " [" + name + "]";
        }
        std::stringstream out;
        CLI::detail::format_help(
            out, synopsis,
            CommandSummary(CommandNamed(command->get_name()).value_or(Command::Help)),
            column_width_);
        return out.str();
    }

    // A command is required, although the parser is told otherwise (see Declare).
    std::string make_usage(const CLI::App* app, std::string name) const override {
        std::string usage = CLI::Formatter::make_usage(app, std::move(name));
        const std::string optional = "[<command>]";
        if (const auto at = usage.find(optional); at != std::string::npos) {
            usage.replace(at, optional.size(), "<command>");
        }
        return usage;
    }
};

// Where the parser stores what it found. The options are declared on the program and on every
// command, so that they may stand before or after the command's name.
struct Targets {
    std::string install;
    std::string trace;
    std::string type;
    std::string helpTopic;
    double timeout = 0;
    // Counted through the options themselves: asking the parser by name goes through a
    // function that may not throw, so running out of memory there would end the program.
    std::vector<const CLI::Option*> json;
};

void AddCommonOptions(CLI::App& app, Targets& targets) {
    app.add_option("--install", targets.install,
                   "the installation to use (the folder whose bin/ holds Orvane.so);\n"
                   "default: the demo installation bundled with this program")
        ->type_name("DIR")
        ->check(NonEmpty("a directory"));
    targets.json.push_back(app.add_flag("--json", "print the answer as JSON"));
}

// The whole command line as the parser sees it; the help is generated from it too.
std::unique_ptr<CLI::App> Declare(Targets& targets) {
    auto app = std::make_unique<CLI::App>(CommandDescription(Command::Help), "kaldor");
    // Not in the overview: only run takes it. Declared here too so that given to another command
    // it is named as misplaced rather than as unknown (see Parse). Declared first, as a hidden
    // group last in the list would leave a stray blank line in the help.
    app->add_option("--trace", targets.trace)
        ->type_name("FILE")
        ->group("")
        ->check(NonEmpty("a file"));
    app->add_option("--timeout", targets.timeout)
        ->type_name("SECONDS")
        ->group("")
        ->check(PositiveSeconds());
    app->set_help_flag("--help,-h", "print this help");
    app->footer(HelpFooter(Command::Help));
    // At most one command; none is refused after parsing (see Parse), so that a word that is no
    // command is reported as unexpected rather than as a missing command.
    app->require_subcommand(0, 1);
    auto formatter = std::make_shared<OverviewFormatter>();
    formatter->column_width(20);
    formatter->label("SUBCOMMAND", "<command>");
    app->formatter(formatter);
    AddCommonOptions(*app, targets);
    for (const Command command : Commands) {
        CLI::App* sub = app->add_subcommand(CommandName(command), CommandSummary(command));
        sub->group("Commands");
        if (command == Command::Help) {
            std::vector<std::string> names;
            for (const Command named : Commands) {
                names.emplace_back(CommandName(named));
            }
            sub->add_option("COMMAND", targets.helpTopic, "the command to explain")
                ->type_name("")
                ->check(CLI::IsMember(names));
            continue;
        }
        sub->description(CommandDescription(command));
        sub->fallthrough();
        sub->footer(HelpFooter(command));
        AddCommonOptions(*sub, targets);
        if (command == Command::Run) {
            sub->add_option("--trace", targets.trace,
                            "also write the start-up and shut-down, stage by stage and package\n"
                            "by package, as a trace (Trace Event Format JSON; open it in\n"
                            "https://ui.perfetto.dev or chrome://tracing)")
                ->type_name("FILE")
                ->check(NonEmpty("a file"));
            sub->add_option("--timeout", targets.timeout,
                            "when start-up, or shut-down, has not finished after SECONDS, name\n"
                            "the package whose import, Init or Exit is running, write the trace\n"
                            "so far (--trace) and end with exit code 5")
                ->type_name("SECONDS")
                ->check(PositiveSeconds());
        } else if (command == Command::Recover) {
            sub->add_flag("--disable",
                          "switch the application the last start-up ended inside off for the\n"
                          "next start-up (pending application list)");
        } else if (command == Command::Paths) {
            sub->add_option("TYPE", targets.type, "the resource type")->type_name("")->required();
        } else if (command == Command::Conflicts) {
            sub->add_option("TYPE", targets.type, "the resource type; every type when left out")
                ->type_name("");
        }
    }
    return app;
}

// The command the parser took, if it got as far as one.
std::optional<Command> ChosenCommand(const CLI::App& app) {
    const auto chosen = app.get_subcommands();
    if (chosen.empty()) {
        return std::nullopt;
    }
    return CommandNamed(chosen.front()->get_name());
}

} // namespace

const char* CommandName(Command command) {
    switch (command) {
    case Command::Run:
        return "run";
    case Command::Check:
        return "check";
    case Command::Paths:
        return "paths";
    case Command::Conflicts:
        return "conflicts";
    case Command::Recover:
        return "recover";
    case Command::Help:
        break;
    }
    return "help";
}

CommandLine CommandLine::Parse(const std::vector<std::string>& arguments) {
    Targets targets;
    const auto app = Declare(targets);
    CommandLine line;
    try {
        // The parser takes its arguments last first.
        std::vector<const char*> argv{"kaldor"};
        for (const std::string& argument : arguments) {
            argv.push_back(argument.c_str());
        }
        app->parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::CallForHelp&) {
        line.command_ = Command::Help;
        line.helpTopic_ = ChosenCommand(*app).value_or(Command::Help);
        return line;
    } catch (const CLI::ParseError& error) {
        throw UsageError(error.what());
    }
    const auto chosen = ChosenCommand(*app);
    if (!chosen) {
        throw UsageError("A command is required");
    }
    const Command command = *chosen;
    if (!targets.trace.empty() && command != Command::Run) {
        throw UsageError(std::string("--trace belongs to run, not to ") + CommandName(command));
    }
    if (targets.timeout > 0 && command != Command::Run) {
        throw UsageError(std::string("--timeout belongs to run, not to ") + CommandName(command));
    }
    line.command_ = command;
    if (command == Command::Help) {
        line.helpTopic_ = CommandNamed(targets.helpTopic).value_or(Command::Help);
        return line;
    }
    line.json_ = std::any_of(targets.json.begin(), targets.json.end(),
                             [](const CLI::Option* flag) { return flag->count() > 0; });
    if (!targets.install.empty()) {
        line.install_ = targets.install;
    }
    if (!targets.trace.empty()) {
        line.trace_ = targets.trace;
    }
    if (!targets.type.empty()) {
        line.type_ = targets.type;
    }
    if (targets.timeout > 0) {
        line.timeout_ = targets.timeout;
    }
    line.disable_ =
        command == Command::Recover && app->get_subcommands().front()->count("--disable") > 0;
    return line;
}

std::string HelpText(Command topic) {
    Targets targets;
    const auto app = Declare(targets);
    if (topic == Command::Help) {
        return app->help();
    }
    return app->get_subcommand(CommandName(topic))->help("kaldor");
}

} // namespace kaldor
