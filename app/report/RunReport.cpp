#include "RunReport.h"

#include "JsonOutput.h"
#include "install/HostSettings.h"

#include <HostSearchDirectories.h>
#include <LanguageTable.h>
#include <RecordTexts.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>

#include <iomanip>
#include <iostream>

namespace kaldor {

namespace Platform = VELMORA::NEVRA::Platform;
namespace RecordText = Platform::RecordText;

namespace {

// The column of the timings' names, and of each number after them.
constexpr int LabelWidth = 40;
constexpr int NumberWidth = 6;
// The column of the resource types' names.
constexpr int TypeWidth = 9;
// Each level of a tree is indented by this much more.
constexpr int IndentStep = 2;

std::string Indent(int depth) {
    return std::string(static_cast<std::size_t>(IndentStep * depth), ' ');
}

// The translation files of the host language that the platform installed. It puts every root's
// language folder on the host's search path; the ones that hold a translation file of the
// host's language are the translations in use. A translator is loaded through Qt, under Qt's
// name for the file's bytes: where that name is no file (bytes that are not in the locale's
// encoding), nothing was installed from the folder, although it is on the search path.
std::vector<std::string> TranslationsInUse(const std::vector<std::string>& searchPath,
                                           const std::string& locale) {
    std::vector<std::string> translations;
    for (const auto& dir : searchPath) {
        const std::string file = dir + Platform::TranslationFileName(locale);
        if (Platform::IsLanguageDirOf(dir, locale) &&
            QFileInfo(QFile::decodeName(QByteArray(file.data(), static_cast<int>(file.size()))))
                .isFile()) {
            translations.push_back(file);
        }
    }
    return translations;
}

// Each section twice: as text, and as JSON.

void TextLanguage(std::ostream& out, const Installation& installation, const RunReport& report) {
    out << "\nLanguage: " << report.language << " (" << report.locale << ")\n";
    out << "  Greeting: " << report.greeting << "\n";
    out << "  Translations:" << (report.translations.empty() ? " (none)" : "") << "\n";
    for (const auto& file : report.translations) {
        out << "    " << installation.Display(file) << "\n";
    }
    out << "  Help file (the last one handed to the host): "
        << (report.helpDocument.empty() ? "(none)" : installation.Display(report.helpDocument))
        << "\n";
    out << "  Browser profile: "
        << (report.browserProfile.empty() ? "(none)" : installation.Display(report.browserProfile))
        << "\n";
}

QJsonObject JsonLanguage(const RunReport& report) {
    return QJsonObject{{"name", Json(report.language)},
                       {"locale", Json(report.locale)},
                       {"greeting", Json(report.greeting)},
                       {"translations", JsonStrings(report.translations)},
                       {"helpDocument", Json(report.helpDocument)},
                       {"browserProfile", Json(report.browserProfile)}};
}

void TextPackages(std::ostream& out, const Installation& installation, const RunReport& report) {
    out << "\nPackages (KxRegList):\n";
    if (report.packageTree.empty()) {
        out << "  (no application package is registered)\n";
    }
    for (const auto& node : report.packageTree) {
        out << "  " << Indent(node.depth) << "[" << node.package.id << "] "
            << installation.Display(node.package.path);
        if (node.package.ownerId != node.package.id) {
            out << "  (owner " << node.package.ownerId << ")";
        }
        out << "\n";
    }
}

QJsonArray JsonPackages(const RunReport& report) {
    QJsonArray packages;
    for (const auto& node : report.packageTree) {
        packages.append(QJsonObject{{"id", static_cast<double>(node.package.id)},
                                    {"owner", static_cast<double>(node.package.ownerId)},
                                    {"path", Json(node.package.path)},
                                    {"depth", node.depth}});
    }
    return packages;
}

void TextSearchPath(std::ostream& out, const Installation& installation, const RunReport& report) {
    out << "\nHost search path (kdlPathAdd, " << report.searchPath.size() << " directories):\n";
    for (const auto& path : report.searchPath) {
        out << "  " << installation.Display(path) << "\n";
    }
}

void TextConflicts(std::ostream& out, const RunReport& report) {
    out << "\nResource conflicts:\n";
    for (const auto& [type, conflicts] : report.conflicts) {
        out << "  " << std::left << std::setw(TypeWidth) << type.name << std::right;
        if (conflicts.empty()) {
            out << "none\n";
            continue;
        }
        out << conflicts.size() << ":";
        for (const auto& conflict : conflicts) {
            out << " " << conflict.name << " (" << conflict.paths.size() << " files)";
        }
        out << "\n";
    }
}

QJsonArray JsonConflicts(const RunReport& report) {
    QJsonArray conflicts;
    for (const auto& [type, found] : report.conflicts) {
        std::vector<std::string> names;
        for (const auto& conflict : found) {
            names.push_back(conflict.name);
        }
        conflicts.append(QJsonObject{{"type", Json(type.name)},
                                     {"code", type.code},
                                     {"count", static_cast<int>(found.size())},
                                     {"names", JsonStrings(names)}});
    }
    return conflicts;
}

std::string Milliseconds(const std::optional<std::int64_t>& value) {
    return value ? std::to_string(*value) : std::string("-");
}

void TextStages(std::ostream& out, const StartupTimeline& timeline) {
    out << "\nTimings (from the log records, in ms):\n";
    for (const auto& stage : timeline.Stages()) {
        if (stage.name == RecordText::ExitStage) {
            continue;
        }
        out << "  " << std::left << std::setw(LabelWidth) << Indent(stage.depth) + stage.name
            << std::right << std::setw(NumberWidth) << Milliseconds(stage.Duration()) << "\n";
    }
}

QJsonArray JsonStages(const StartupTimeline& timeline) {
    QJsonArray stages;
    for (const auto& stage : timeline.Stages()) {
        QJsonObject item{{"name", Json(stage.name)}, {"depth", stage.depth}};
        if (const auto duration = stage.Duration()) {
            item["milliseconds"] = static_cast<double>(*duration);
        }
        stages.append(item);
    }
    return stages;
}

void TextPackageTimes(std::ostream& out, const Installation& installation,
                      const StartupTimeline& timeline) {
    if (timeline.Packages().empty()) {
        return;
    }
    out << "  " << std::left << std::setw(LabelWidth) << "Package" << std::right
        << std::setw(NumberWidth) << "import" << std::setw(NumberWidth) << "Init"
        << "\n";
    const std::string platform = installation.PlatformLibrary();
    for (const auto& span : timeline.Packages()) {
        std::string label = Indent(span.depth) + installation.Display(span.path);
        if (span.path == platform) {
            label += " (" + span.stage + ")";
        }
        std::string outcome;
        if (!span.importFailure.empty()) {
            outcome = "  import failed";
        } else if (span.initResult && *span.initResult != 0) {
            outcome = "  Init returned " + std::to_string(*span.initResult);
        }
        out << "  " << std::left << std::setw(LabelWidth) << label << std::right
            << std::setw(NumberWidth) << Milliseconds(span.ImportDuration())
            << std::setw(NumberWidth) << Milliseconds(span.InitDuration()) << outcome << "\n";
    }
}

QJsonArray JsonPackageTimes(const StartupTimeline& timeline) {
    QJsonArray imports;
    for (const auto& span : timeline.Packages()) {
        QJsonObject item{{"path", Json(span.path)},
                         {"stage", Json(span.stage)},
                         {"depth", span.depth},
                         {"imported", span.Imported()}};
        if (const auto duration = span.ImportDuration()) {
            item["importMilliseconds"] = static_cast<double>(*duration);
        }
        if (const auto duration = span.InitDuration()) {
            item["initMilliseconds"] = static_cast<double>(*duration);
        }
        if (span.initResult) {
            item["initResult"] = *span.initResult;
        }
        if (!span.importFailure.empty()) {
            item["importFailure"] = Json(span.importFailure);
        }
        imports.append(item);
    }
    return imports;
}

void TextWarnings(std::ostream& out, const RunReport& report) {
    if (report.warnings.empty()) {
        return;
    }
    out << "\nWarnings:\n";
    for (const auto& warning : report.warnings) {
        out << "  " << warning << "\n";
    }
}

} // namespace

RunReport ObserveRun(const PlatformSession& session, std::vector<std::string> warnings) {
    const PlatformLibrary& platform = session.Platform();
    RunReport report;
    report.packages = platform.Packages();
    report.packageTree = PackageTree(report.packages);
    report.searchPath = platform.HostSearchPath();
    for (const auto& type : ResourceTypes()) {
        report.conflicts.emplace_back(type, platform.Conflicts(type.code));
    }
    report.language = HostLanguage();
    report.locale = Platform::LocaleCodeOf(report.language);
    // The packages' translators are installed in the application now; a language pack may
    // carry the host program's own texts.
    report.greeting =
        QCoreApplication::translate("kaldor", "Hello from the installation").toStdString();
    report.translations = TranslationsInUse(report.searchPath, report.locale);
    report.helpDocument = platform.HelpDocument();
    report.browserProfile = session.BrowserProfile();
    report.warnings = std::move(warnings);
    report.startMilliseconds = session.StartMilliseconds();
    report.logFile = session.LogFile();
    return report;
}

void PrintRunText(const InstallationChoice& choice, const StartupOutcome& outcome,
                  const RunReport& report) {
    const Installation& installation = choice.installation;
    std::ostream& out = std::cout;
    outcome.PrintHeader(out, report.startMilliseconds);
    TextLanguage(out, installation, report);
    TextPackages(out, installation, report);
    TextSearchPath(out, installation, report);
    TextConflicts(out, report);
    TextStages(out, outcome.Timeline());
    TextPackageTimes(out, installation, outcome.Timeline());
    TextWarnings(out, report);
    outcome.PrintFailure(out);
    out << "\nLog: " << report.logFile << "\n";
}

void PrintRunJson(const StartupOutcome& outcome, const RunReport& report,
                  const std::optional<QJsonObject>& previous) {
    QJsonObject document{{"command", "run"}};
    if (previous) {
        document["previousStartup"] = *previous;
    }
    outcome.AddTo(document);
    document["startMilliseconds"] = static_cast<double>(report.startMilliseconds);
    document["language"] = JsonLanguage(report);
    document["packages"] = JsonPackages(report);
    document["searchPath"] = JsonStrings(report.searchPath);
    document["conflicts"] = JsonConflicts(report);
    document["stages"] = JsonStages(outcome.Timeline());
    document["packageTimes"] = JsonPackageTimes(outcome.Timeline());
    document["warnings"] = JsonStrings(report.warnings);
    PrintJson(document);
}

} // namespace kaldor
