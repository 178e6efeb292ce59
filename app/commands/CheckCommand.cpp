#include "CommandLine.h"

#include "ExitCodes.h"
#include "check/InstallCheck.h"
#include "install/InstallationChoice.h"
#include "report/JsonOutput.h"

#include <QJsonArray>

#include <iostream>

namespace kaldor {

namespace {

void PrintText(const Installation& installation, const CheckReport& report) {
    std::ostream& out = std::cout;
    out << "Checking " << installation.Root()
        << " (dry run: no platform or package code is loaded)\n\n";
    for (const auto& library : report.libraries) {
        out << (library.Ok() ? "  ok       " : "  PROBLEM  ") << library.role << " ";
        if (!library.listedAs.empty() && library.listedAs != installation.Display(library.path)) {
            out << library.listedAs << " -> ";
        }
        out << installation.Display(library.path) << "\n";
        if (!library.resourceRoot.empty()) {
            out << "           resource root " << installation.Display(library.resourceRoot)
                << "\n";
        }
        for (const auto& problem : library.problems) {
            out << "           - " << problem << "\n";
        }
        for (const auto& warning : library.warnings) {
            out << "           warning: " << warning << "\n";
        }
        for (const auto& note : library.notes) {
            out << "           note: " << note << "\n";
        }
    }
    for (const auto& skipped : report.skipped) {
        out << "  skipped  " << skipped.role << " " << skipped.listedAs << " (" << skipped.reason
            << ")\n";
    }
    if (!report.problems.empty()) {
        out << "\nProblems of the installation:\n";
        for (const auto& problem : report.problems) {
            out << "  - " << problem << "\n";
        }
    }
    if (!report.warnings.empty()) {
        out << "\nWarnings:\n";
        for (const auto& warning : report.warnings) {
            out << "  - " << warning << "\n";
        }
    }
    const int count = report.ProblemCount();
    out << "\n"
        << (count == 0 ? std::string("No problems found.")
                       : std::to_string(count) + (count == 1 ? " problem" : " problems") +
                             " found: start-up will fail.")
        << "\n";
}

void PrintJsonReport(const Installation& installation, const CheckReport& report) {
    QJsonArray libraries;
    for (const auto& library : report.libraries) {
        libraries.append(QJsonObject{
            {"role", Json(library.role)},
            {"listedAs", Json(library.listedAs)},
            {"path", Json(library.path)},
            {"exists", library.exists},
            {"entryPoints", JsonStrings(library.entryPoints)},
            {"missingEntryPoints", JsonStrings(library.missingEntryPoints)},
            {"missingDependencies", JsonStrings(library.missingDependencies)},
            {"resourceRoot", Json(library.resourceRoot)},
            {"ok", library.Ok()},
            {"problems", JsonStrings(library.problems)},
            {"notes", JsonStrings(library.notes)},
            {"warnings", JsonStrings(library.warnings)},
        });
    }
    QJsonArray skipped;
    for (const auto& entry : report.skipped) {
        skipped.append(QJsonObject{{"role", Json(entry.role)},
                                   {"listedAs", Json(entry.listedAs)},
                                   {"reason", Json(entry.reason)}});
    }
    PrintJson(QJsonObject{{"command", "check"},
                          {"installation", Json(installation.Root())},
                          {"ok", report.Ok()},
                          {"problemCount", report.ProblemCount()},
                          {"libraries", libraries},
                          {"skipped", skipped},
                          {"problems", JsonStrings(report.problems)},
                          {"warnings", JsonStrings(report.warnings)}});
}

} // namespace

int CheckCommand(const CommandLine& commandLine) {
    const InstallationChoice choice = ChooseInstallation(commandLine);
    const CheckReport report = CheckInstallation(choice.installation);
    if (commandLine.Json()) {
        PrintJsonReport(choice.installation, report);
    } else {
        PrintText(choice.installation, report);
    }
    return report.Ok() ? ExitSuccess : ExitFailure;
}

} // namespace kaldor
