#include "KaldorTestSupport.h"

#include <gmock/gmock.h>

#include <QProcess>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kaldor::test {

ProcessResult RunKaldor(const Texts& arguments, const Environment& environment) {
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : environment) {
        const QString key = QString::fromStdString(name);
        value ? variables.insert(key, QString::fromStdString(*value)) : variables.remove(key);
    }
    QStringList list;
    for (const auto& argument : arguments) {
        list << QString::fromStdString(argument);
    }
    QProcess process;
    process.setProcessEnvironment(variables);
    // Read as text: Windows ends kaldor's lines with "\r\n".
    process.start(KALDOR_PROGRAM, list, QIODevice::ReadWrite | QIODevice::Text);
    // A kaldor that outlives the bound hangs (a package that never returns): it is killed.
    constexpr int boundMilliseconds = 300000;
    if (!process.waitForFinished(boundMilliseconds)) {
        process.kill();
        process.waitForFinished(-1);
        ADD_FAILURE() << "kaldor outlived " << boundMilliseconds << " ms and was killed";
    }
    const bool exited = process.exitStatus() == QProcess::NormalExit;
    return {exited ? process.exitCode() : -1, process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

void ExpectSays(const std::string& said, Texts texts, const std::string& installation) {
    for (auto& text : texts) {
        if (const auto at = text.find("$I"); at != std::string::npos) {
            text.replace(at, 2, Portable(installation));
        }
        EXPECT_THAT(Portable(said), ::testing::HasSubstr(text));
    }
}

DemoCopy::DemoCopy() : root_(folder_.path().toStdString()) {
    if (!folder_.isValid()) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    fs::copy(DemoDir, Install(), fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    fs::create_directories(Home());
    // The application list names the plotter absolutely; it must name this copy's plotter.
    const std::string list = "bin/KxApp/Resource/Orvane/NevraPreLoadApp.xml";
    std::string apps = ReadFile(Path(list));
    apps.replace(apps.find(DemoDir + "/"), DemoDir.size() + 1, Install() + "/");
    Set(list, apps);
}

ProcessResult DemoCopy::Kaldor(Texts arguments, Environment environment) const {
    arguments.insert(arguments.end(), {"--install", Install()});
    environment.emplace("KALDOR_HOME", Home());
    environment.emplace("KALDOR_DEMO_EVENTS", Events());
    environment.emplace("KALDOR_TRACE", Trace());
    for (const char* name : {"KALDOR_LANGUAGE", "KALDOR_REFUSE_PATHS", "KXDB_REFUSE_IDS",
                             "KALDOR_FOLDER_5", "KALDOR_FOLDER_6", "KALDOR_FOLDER_7"}) {
        environment.emplace(name, std::nullopt);
    }
    return RunKaldor(arguments, environment);
}

void DemoCopy::Set(const std::string& relative, const std::optional<std::string>& content) const {
    fs::remove_all(Path(relative));
    if (content) {
        fs::create_directories(fs::path(Path(relative)).parent_path());
        std::ofstream(Path(relative), std::ios::binary) << *content;
    }
}

} // namespace kaldor::test
