#include "StartupOutcome.h"

#include "JsonOutput.h"
#include "check/UserFolderCheck.h"
#include "install/HostSettings.h"

#include <FilePath.h>
#include <HostCommon/HostEnv.h>
#include <LanguageTable.h>
#include <Sys.h>

#include <QJsonArray>

namespace kaldor {

namespace {

namespace Platform = VELMORA::NEVRA::Platform;

// The folder that holds `file`, without a trailing separator; empty for a bare name or none.
std::string FolderOf(const std::string& file) {
    return file.empty() ? file : Platform::FilePath(file).GoUp().ToFileForm().Str();
}

// The user folders the platform writes setting copies into: the default settings tree in the
// log folder, and the user's own locale action folder, which it writes into when it exists.
std::vector<std::string> SettingFolders(const PlatformSession& session) {
    const std::string logFolder = FolderOf(session.LogFile());
    std::vector<std::string> folders{logFolder + "/cae_pr_/Settings/Default/"};
    const std::string localeActions = session.RolesFolder() + "/" + HostCommon::ProfileRole() +
                                      "/Action/" + Platform::LocaleCodeOf(HostLanguage()) + "/";
    if (!Platform::Sys::EntryMissing(localeActions)) {
        folders.push_back(localeActions);
    }
    return folders;
}

} // namespace

StartupOutcome::StartupOutcome(const InstallationChoice& choice, const PlatformSession& session,
                               int result)
    : choice_(choice), logFile_(session.LogFile()), result_(result),
      timeline_(StartupTimeline::FromRecords(session.Records())) {
    if (result_ != 0) {
        const FailureExplainer explainer(choice.installation, session.UserLibraryDir(),
                                         SettingFolders(session));
        explanations_ = explainer.Explain(session.Records(), timeline_);
        // kaldor reads its records from the log library itself, so it explains a start-up even
        // when the log file could not be written; the user still needs to hear why it is missing.
        const std::string logFolder = FolderOf(logFile_) + "/";
        if (const auto problem = UserFolderProblem(logFolder)) {
            logProblem_ = "The log could not be written into " + logFolder + ": " + *problem +
                          ". The platform's records went to standard error.";
        }
    }
}

void StartupOutcome::PrintHeader(std::ostream& out, std::int64_t milliseconds) const {
    out << "Installation: " << choice_.installation.Root()
        << (choice_.bundled ? " (the bundled demo)" : "") << "\n";
    out << "User folders: "
        << (choice_.home.empty() ? std::string("$HOME/.kaldor (KALDOR_HOME is not set)")
                                 : choice_.home + " (KALDOR_HOME" +
                                       (choice_.homeDefaulted ? ", set for the demo" : "") + ")")
        << "\n";
    out << "Start-up: " << (Succeeded() ? "succeeded" : "FAILED") << " (OrvaneInit returned "
        << result_ << " after " << milliseconds << " ms)\n";
}

void StartupOutcome::PrintFailure(std::ostream& out) const {
    if (Succeeded()) {
        return;
    }
    out << "\nWhy start-up failed:\n";
    if (!logProblem_.empty()) {
        out << "  " << logProblem_ << "\n";
    } else if (explanations_.empty()) {
        out << "  The log holds no fatal record of this start-up (" << logFile_
            << "); its records were not written where expected.\n";
    }
    for (const auto& explanation : explanations_) {
        out << "  FATAL " << explanation.record << "\n";
        out << "     -> " << explanation.text << "\n";
    }
}

void StartupOutcome::AddTo(QJsonObject& document) const {
    document["installation"] = Json(choice_.installation.Root());
    document["bundled"] = choice_.bundled;
    document["home"] = Json(choice_.home);
    document["result"] = result_;
    document["succeeded"] = Succeeded();
    document["log"] = Json(logFile_);
    QJsonArray fatal;
    for (const auto& explanation : explanations_) {
        fatal.append(QJsonObject{{"record", Json(explanation.record)},
                                 {"explanation", Json(explanation.text)}});
    }
    document["fatal"] = fatal;
    if (!logProblem_.empty()) {
        document["logProblem"] = Json(logProblem_);
    }
}

} // namespace kaldor
