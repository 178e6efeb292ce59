// `paths` and `conflicts`: bring the installation up, ask the platform one question, take the
// installation down, answer.
#include "CommandLine.h"

#include "ExitCodes.h"
#include "install/InstallationChoice.h"
#include "install/ResourceTypes.h"
#include "report/JsonOutput.h"
#include "report/StartupOutcome.h"
#include "session/PlatformSession.h"

#include <QJsonArray>

#include <functional>
#include <iostream>

namespace kaldor {

namespace {

ResourceType RequireType(const std::string& text) {
    const auto type = ParseResourceType(text);
    if (!type) {
        throw UsageError("unknown resource type '" + text + "'; the types are " +
                         ResourceTypeNames());
    }
    return *type;
}

// Starts the installation, runs `ask` while it is up (only after a successful start-up), stops
// it. On a failed start-up prints why and returns false.
bool WhileUp(const CommandLine& commandLine, const std::string& command,
             const std::function<void(const PlatformLibrary&)>& ask) {
    const InstallationChoice choice = ChooseInstallation(commandLine);
    PlatformSession session(choice.installation);
    const int result = session.Start();
    if (result == 0) {
        ask(session.Platform());
    }
    session.Stop();
    if (result == 0) {
        return true;
    }
    const StartupOutcome outcome(choice, session, result);
    if (commandLine.Json()) {
        QJsonObject document{{"command", Json(command)}};
        outcome.AddTo(document);
        PrintJson(document);
    } else {
        outcome.PrintHeader(std::cout, session.StartMilliseconds());
        outcome.PrintFailure(std::cout);
        std::cout << "\nLog: " << session.LogFile() << "\n";
    }
    return false;
}

QJsonArray ConflictsJson(const std::vector<ResourceConflict>& conflicts) {
    QJsonArray items;
    for (const auto& conflict : conflicts) {
        items.append(
            QJsonObject{{"name", Json(conflict.name)}, {"paths", JsonStrings(conflict.paths)}});
    }
    return items;
}

} // namespace

int PathsCommand(const CommandLine& commandLine) {
    const ResourceType type = RequireType(commandLine.Type().value_or(""));
    std::vector<std::string> paths;
    if (!WhileUp(commandLine, "paths", [&](const PlatformLibrary& platform) {
            paths = platform.ResourcePaths(type.code);
        })) {
        return ExitFailure;
    }
    if (commandLine.Json()) {
        PrintJson(QJsonObject{{"command", "paths"},
                              {"type", Json(type.name)},
                              {"code", type.code},
                              {"paths", JsonStrings(paths)}});
    } else {
        for (const auto& path : paths) {
            std::cout << path << "\n";
        }
    }
    return ExitSuccess;
}

int ConflictsCommand(const CommandLine& commandLine) {
    std::vector<ResourceType> types = ResourceTypes();
    if (commandLine.Type()) {
        types = {RequireType(*commandLine.Type())};
    }
    std::vector<std::vector<ResourceConflict>> found;
    if (!WhileUp(commandLine, "conflicts", [&](const PlatformLibrary& platform) {
            for (const auto& type : types) {
                found.push_back(platform.Conflicts(type.code));
            }
        })) {
        return ExitFailure;
    }
    if (commandLine.Json()) {
        QJsonArray answer;
        for (std::size_t i = 0; i < types.size(); ++i) {
            answer.append(QJsonObject{{"type", Json(types[i].name)},
                                      {"code", types[i].code},
                                      {"conflicts", ConflictsJson(found[i])}});
        }
        PrintJson(QJsonObject{{"command", "conflicts"}, {"types", answer}});
        return ExitSuccess;
    }
    for (std::size_t i = 0; i < types.size(); ++i) {
        std::cout << types[i].name << ": "
                  << (found[i].empty()
                          ? std::string("no conflicts")
                          : std::to_string(found[i].size()) + " defined more than once")
                  << "\n";
        for (const auto& conflict : found[i]) {
            std::cout << "  " << conflict.name << "\n";
            for (const auto& path : conflict.paths) {
                std::cout << "    " << path << "\n";
            }
        }
    }
    return ExitSuccess;
}

} // namespace kaldor
