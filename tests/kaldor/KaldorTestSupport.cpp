#include "KaldorTestSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace fs = std::filesystem;

namespace kaldor::test {

namespace {

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

std::string TemporaryFolder(const char* name) {
    std::string pattern = (fs::temp_directory_path() / name).string() + "-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    return pattern;
}

} // namespace

std::string DemoDir() {
    return KALDOR_DEMO_DIR;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

ProcessResult RunKaldor(const std::vector<std::string>& arguments,
                        const std::map<std::string, std::optional<std::string>>& environment) {
    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const auto equals = text.find('=');
        if (equals != std::string::npos) {
            variables[text.substr(0, equals)] = text.substr(equals + 1);
        }
    }
    for (const auto& [name, value] : environment) {
        if (value) {
            variables[name] = *value;
        } else {
            variables.erase(name);
        }
    }
    std::vector<std::string> envTexts;
    for (const auto& [name, value] : variables) {
        envTexts.push_back(name + "=" + value);
    }
    std::vector<char*> envp;
    for (auto& text : envTexts) {
        envp.push_back(text.data());
    }
    envp.push_back(nullptr);

    std::vector<std::string> argTexts{KALDOR_PROGRAM};
    argTexts.insert(argTexts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& text : argTexts) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);

    const std::string folder = TemporaryFolder("kaldor-process");
    const std::string outFile = folder + "/out";
    const std::string errFile = folder + "/err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ProcessResult result;
    if (spawned == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    result.out = ReadFile(outFile);
    result.err = ReadFile(errFile);
    std::error_code error;
    fs::remove_all(folder, error);
    return result;
}

DemoCopy::DemoCopy() : root_(TemporaryFolder("kaldor-demo")) {
    fs::copy(DemoDir(), Install(), fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    fs::create_directories(Home());
    // The application list names the plotter absolutely; it must name this copy's plotter.
    const std::string list = "bin/KxApp/Resource/Orvane/NevraPreLoadApp.xml";
    Write(list, Replace(ReadFile(Path(list)), DemoDir() + "/", Install() + "/"));
}

DemoCopy::~DemoCopy() {
    std::error_code error;
    fs::remove_all(root_, error);
}

ProcessResult
DemoCopy::Kaldor(std::vector<std::string> arguments,
                 std::map<std::string, std::optional<std::string>> environment) const {
    arguments.push_back("--install");
    arguments.push_back(Install());
    environment.emplace("KALDOR_HOME", Home());
    environment.emplace("KALDOR_DEMO_EVENTS", Events());
    environment.emplace("KALDOR_TRACE", Trace());
    for (const char* name : {"KALDOR_LANGUAGE", "KALDOR_REFUSE_PATHS", "KXDB_REFUSE_IDS",
                             "KALDOR_FOLDER_5", "KALDOR_FOLDER_6", "KALDOR_FOLDER_7"}) {
        environment.emplace(name, std::nullopt);
    }
    return RunKaldor(arguments, environment);
}

std::vector<std::string> DemoCopy::EventLines() const {
    return ReadLines(Events());
}

void DemoCopy::Write(const std::string& relative, const std::string& content) const {
    const fs::path path = Path(relative);
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

void DemoCopy::Remove(const std::string& relative) const {
    fs::remove_all(Path(relative));
}

void DemoCopy::Copy(const std::string& fromRelative, const std::string& toRelative) const {
    fs::copy_file(Path(fromRelative), Path(toRelative), fs::copy_options::overwrite_existing);
}

} // namespace kaldor::test
