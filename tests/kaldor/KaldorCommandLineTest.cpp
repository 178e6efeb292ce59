// The command line: what is accepted, what is refused and with which exit code.
#include "CommandLine.h"
#include "KaldorTestSupport.h"
#include "ResourceTypes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kaldor::test {

namespace {

using ::testing::HasSubstr;

TEST(KaldorCommandLine, ReadsCommandsOptionsAndTypes) {
    const auto paths = CommandLine::Parse({"paths", "--json", "icons", "--install=/opt/x"});
    EXPECT_EQ(paths.Which(), Command::Paths);
    EXPECT_TRUE(paths.Json());
    EXPECT_EQ(paths.Type(), "icons");
    EXPECT_EQ(paths.InstallDir(), "/opt/x");

    const auto conflicts = CommandLine::Parse({"--install", "/opt/y", "conflicts"});
    EXPECT_EQ(conflicts.Which(), Command::Conflicts);
    EXPECT_FALSE(conflicts.Type().has_value());
    EXPECT_EQ(conflicts.InstallDir(), "/opt/y");

    const auto help = CommandLine::Parse({"check", "-h"});
    EXPECT_TRUE(help.HelpWanted());
    EXPECT_EQ(help.HelpTopic(), Command::Check);
    EXPECT_EQ(CommandLine::Parse({"help", "run"}).HelpTopic(), Command::Run);
    EXPECT_EQ(CommandLine::Parse({"--help"}).HelpTopic(), Command::Help);
}

TEST(KaldorCommandLine, RefusesWhatItDoesNotKnow) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{}, "no command given"},
        {{"start"}, "unknown command 'start'"},
        {{"run", "--verbose"}, "unknown option '--verbose'"},
        {{"run", "extra"}, "unexpected argument 'extra' for run"},
        {{"paths"}, "paths needs a resource type"},
        {{"conflicts", "icons", "forms"}, "unexpected argument 'forms' for conflicts"},
        {{"run", "--install"}, "--install needs a directory"},
        {{"help", "start"}, "unknown command 'start'"},
    };
    for (const auto& [arguments, message] : cases) {
        try {
            CommandLine::Parse(arguments);
            ADD_FAILURE() << "accepted: " << message;
        } catch (const UsageError& error) {
            EXPECT_EQ(std::string(error.what()), message);
        }
    }
}

TEST(KaldorCommandLine, ResourceTypesByNameOrNumber) {
    EXPECT_EQ(ParseResourceType("icons")->code, 4);
    EXPECT_EQ(ParseResourceType("Context")->code, 2);
    EXPECT_EQ(ParseResourceType("7")->name, "doc");
    EXPECT_EQ(ParseResourceType("0")->name, "commands");
    EXPECT_FALSE(ParseResourceType("8"));
    EXPECT_FALSE(ParseResourceType("-1"));
    EXPECT_FALSE(ParseResourceType("icon"));
}

TEST(KaldorCommandLine, ProcessExitCodesAndMessages) {
    const ProcessResult unknown = RunKaldor({"start"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_THAT(unknown.err, HasSubstr("kaldor: unknown command 'start'\nRun 'kaldor --help'"));

    const ProcessResult badType = RunKaldor({"paths", "sounds", "--install", DemoDir()});
    EXPECT_EQ(badType.exitCode, 2);
    EXPECT_THAT(badType.err, HasSubstr("unknown resource type 'sounds'; the types are commands"));

    const ProcessResult missing = RunKaldor({"run", "--install", "/nonexistent/kaldor-test"});
    EXPECT_EQ(missing.exitCode, 3);
    EXPECT_THAT(missing.err, HasSubstr("/nonexistent/kaldor-test does not exist"));

    const ProcessResult notAnInstallation = RunKaldor({"check", "--install", DemoDir() + "/bin"});
    EXPECT_EQ(notAnInstallation.exitCode, 3);
    EXPECT_THAT(notAnInstallation.err, HasSubstr("it has no bin/Orvane.so"));

    for (const std::string command : {"run", "check", "paths", "conflicts"}) {
        const ProcessResult help = RunKaldor({command, "--help"});
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_THAT(help.out, HasSubstr("Usage: kaldor " + command));
        EXPECT_THAT(help.out, HasSubstr("--install DIR"));
    }
    const ProcessResult overview = RunKaldor({"--help"});
    EXPECT_EQ(overview.exitCode, 0);
    EXPECT_THAT(overview.out, HasSubstr("conflicts [TYPE]"));
}

} // namespace

} // namespace kaldor::test
