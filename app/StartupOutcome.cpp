#include "StartupOutcome.h"

#include "JsonOutput.h"

#include <QJsonArray>

namespace kaldor {

StartupOutcome::StartupOutcome(const InstallationChoice& choice, const PlatformSession& session,
                               int result)
    : choice_(choice), logFile_(session.LogFile()), result_(result),
      timeline_(StartupTimeline::FromRecords(session.Records())) {
    if (result_ != 0) {
        const FailureExplainer explainer(choice.installation, session.UserLibraryDir());
        explanations_ = explainer.Explain(session.Records(), timeline_);
    }
}

void StartupOutcome::PrintHeader(std::ostream& out, std::int64_t milliseconds) const {
    out << "Installation: " << choice_.installation.Root().string()
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
    if (explanations_.empty()) {
        out << "  The log holds no fatal record of this start-up (" << logFile_
            << "); its records were not written where expected.\n";
    }
    for (const auto& explanation : explanations_) {
        out << "  FATAL " << explanation.record << "\n";
        out << "     -> " << explanation.text << "\n";
    }
}

void StartupOutcome::AddTo(QJsonObject& document) const {
    document["installation"] = Json(choice_.installation.Root().string());
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
}

} // namespace kaldor
