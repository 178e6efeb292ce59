#include "KaldorTestSupport.h"

#include <gmock/gmock.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kaldor::test {

ProcessResult RunKaldor(const Texts& arguments, const Environment& environment) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const pid_t pid = fork();
    if (pid == 0) {
        for (const auto& [name, value] : environment) {
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        }
        dup2(fileno(out), STDOUT_FILENO);
        dup2(fileno(err), STDERR_FILENO);
        std::vector<char*> argv{const_cast<char*>(KALDOR_PROGRAM)};
        for (const auto& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    const bool exited = pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status);
    // The files have no name left; their descriptors still reach them.
    const ProcessResult result{exited ? WEXITSTATUS(status) : -1,
                               ReadFile("/proc/self/fd/" + std::to_string(fileno(out))),
                               ReadFile("/proc/self/fd/" + std::to_string(fileno(err)))};
    std::fclose(out);
    std::fclose(err);
    return result;
}

void ExpectSays(const std::string& said, Texts texts, const std::string& installation) {
    for (auto& text : texts) {
        if (const auto at = text.find("$I"); at != std::string::npos) {
            text.replace(at, 2, installation);
        }
        EXPECT_THAT(said, ::testing::HasSubstr(text));
    }
}

DemoCopy::DemoCopy() {
    std::string pattern = (fs::temp_directory_path() / "kaldor-demo-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    root_ = pattern;
    fs::copy(DemoDir, Install(), fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    fs::create_directories(Home());
    // The application list names the plotter absolutely; it must name this copy's plotter.
    const std::string list = "bin/KxApp/Resource/Orvane/NevraPreLoadApp.xml";
    std::string apps = ReadFile(Path(list));
    apps.replace(apps.find(DemoDir + "/"), DemoDir.size() + 1, Install() + "/");
    Write(list, apps);
}

DemoCopy::~DemoCopy() {
    std::error_code error;
    fs::remove_all(root_, error);
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

void DemoCopy::Write(const std::string& relative, const std::string& content) const {
    fs::create_directories(fs::path(Path(relative)).parent_path());
    std::ofstream(Path(relative), std::ios::binary) << content;
}

void DemoCopy::Remove(const std::string& relative) const {
    fs::remove_all(Path(relative));
}

} // namespace kaldor::test
