#include "CommandLine.h"

#include "Help.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <utility>
#include <vector>

namespace kaldor {

namespace {

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

// Where the overview's descriptions of options and commands begin.
constexpr std::size_t OverviewColumn = 20;

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
        CLI::detail::format_help(out, synopsis, FindCommand(command->get_name())->summary,
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

// What a command takes besides the common options, declared in the order of its row.
void AddArgument(CLI::App& command, const CommandArgument& argument, Targets& targets) {
    switch (argument.kind) {
    case Argument::Topic: {
        std::vector<std::string> names;
        for (const CommandRow& named : CommandTable()) {
            names.emplace_back(named.name);
        }
        command.add_option("COMMAND", targets.helpTopic, argument.help)
            ->type_name("")
            ->check(CLI::IsMember(names));
        return;
    }
    case Argument::RequiredType:
        command.add_option("TYPE", targets.type, argument.help)->type_name("")->required();
        return;
    case Argument::OptionalType:
        command.add_option("TYPE", targets.type, argument.help)->type_name("");
        return;
    case Argument::Trace:
        command.add_option("--trace", targets.trace, argument.help)
            ->type_name("FILE")
            ->check(NonEmpty("a file"));
        return;
    case Argument::Timeout:
        command.add_option("--timeout", targets.timeout, argument.help)
            ->type_name("SECONDS")
            ->check(PositiveSeconds());
        return;
    case Argument::Disable:
        command.add_flag("--disable", argument.help);
        return;
    }
}

void AddCommand(CLI::App& app, const CommandRow& command, Targets& targets) {
    CLI::App* sub = app.add_subcommand(command.name, command.summary);
    sub->group("Commands");
    // The help command's own help is the overview; it takes none of the common options.
    if (!command.IsHelp()) {
        sub->description(command.description);
        sub->fallthrough();
        sub->footer(CommandFooter(command));
        AddCommonOptions(*sub, targets);
    }
    for (const CommandArgument& argument : command.arguments) {
        AddArgument(*sub, argument, targets);
    }
}

// The whole command line as the parser sees it; the help is generated from it too.
std::unique_ptr<CLI::App> Declare(Targets& targets) {
    auto app = std::make_unique<CLI::App>(ProgramDescription(), "kaldor");
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
    app->footer(OverviewFooter());
    // At most one command; none is refused after parsing (see Parse), so that a word that is no
    // command is reported as unexpected rather than as a missing command.
    app->require_subcommand(0, 1);
    auto formatter = std::make_shared<OverviewFormatter>();
    formatter->column_width(OverviewColumn);
    formatter->label("SUBCOMMAND", "<command>");
    app->formatter(formatter);
    AddCommonOptions(*app, targets);
    for (const CommandRow& command : CommandTable()) {
        AddCommand(*app, command, targets);
    }
    return app;
}

// The command the parser took, if it got as far as one.
const CommandRow* ChosenCommand(const CLI::App& app) {
    const auto chosen = app.get_subcommands();
    if (chosen.empty()) {
        return nullptr;
    }
    return FindCommand(chosen.front()->get_name());
}

// --trace and --timeout are declared for the program too, so the parser takes them with any
// command; only the commands that take them may have them.
void RefuseMisplaced(const CommandRow& command, bool given, Argument kind, const char* option) {
    if (given && !command.Takes(kind)) {
        throw UsageError(std::string(option) + " belongs to " + CommandsTaking(kind) + ", not to " +
                         command.name);
    }
}

} // namespace

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
        line.command_ = &HelpCommandRow();
        line.helpTopic_ = ChosenCommand(*app);
        return line;
    } catch (const CLI::ParseError& error) {
        throw UsageError(error.what());
    }
    const CommandRow* chosen = ChosenCommand(*app);
    if (!chosen) {
        throw UsageError("A command is required");
    }
    const CommandRow& command = *chosen;
    RefuseMisplaced(command, !targets.trace.empty(), Argument::Trace, "--trace");
    RefuseMisplaced(command, targets.timeout > 0, Argument::Timeout, "--timeout");
    line.command_ = &command;
    if (command.IsHelp()) {
        line.helpTopic_ = FindCommand(targets.helpTopic);
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
        command.Takes(Argument::Disable) && app->get_subcommands().front()->count("--disable") > 0;
    return line;
}

std::string HelpText(const CommandRow* topic) {
    Targets targets;
    const auto app = Declare(targets);
    if (!topic || topic->IsHelp()) {
        return app->help();
    }
    return app->get_subcommand(topic->name)->help("kaldor");
}

} // namespace kaldor
