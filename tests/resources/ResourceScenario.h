// What the resource scenarios share: the test data, resource roots in a fresh installation, and
// the host calls one root caused, read back from the host trace.
#pragma once

#include "Scenario.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace orvane::test {

using Strings = std::vector<std::string>;
using Files = std::vector<std::pair<std::string, std::string>>; // below the root, copied from

inline std::string DataFile(const std::string& relative) { // a file of tests/resources/data
    return ORVANE_RESOURCE_DATA_DIR "/" + relative;
}
inline std::string BuiltFile(const std::string& name) { // a file made by rcc or lrelease
    return ORVANE_RESOURCE_BUILT_DIR "/" + name;
}

template <typename T> std::vector<T> Concat(std::vector<T> a, const std::vector<T>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The names in a folder, sorted; empty when it is missing.
inline Strings Names(const std::string& dir) {
    Strings names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(dir, error), end; !error && it != end;
         it.increment(error)) {
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The host and user-interface calls that concern one resource root, in trace order, with the
// root cut off the front ("<root>" for the root itself): "kdlPathAdd Icons/", "kdlPathAdd text/
// refused", "RegisterRcc qrc/a.hrc", "kdlHelpDocLoad Languages/en_US/doc/context.txt", and every
// "kdlMsgDisp <text>".
inline Strings RootCalls(const Installation& installation, const std::string& root) {
    Strings calls;
    for (const auto& line : installation.Trace()) {
        std::istringstream in(line);
        std::string call, arg, result;
        std::getline(std::getline(std::getline(in, call, '\t'), arg, '\t'), result, '\t');
        if (call == "kdlMsgDisp") {
            calls.push_back(call + " " + arg);
        } else if ((call == "kdlPathAdd" || call == "RegisterRcc" || call == "kdlHelpDocLoad") &&
                   arg.compare(0, root.size(), root) == 0) {
            const bool refused = call == "kdlPathAdd" && !result.empty() && result != "0";
            const std::string below = arg.substr(root.size());
            calls.push_back(call + " " + (below.empty() ? "<root>" : below) +
                            (refused ? " refused" : ""));
        }
    }
    return calls;
}

// What every root is offered before its languages: the root and the folders the host expects.
inline const Strings kPathPart = {"kdlPathAdd <root>", "kdlPathAdd Icons/", "kdlPathAdd text/",
                                  "kdlPathAdd Languages/"};
// The setting groups, each with a user-side and a default-side folder.
inline constexpr const char* kGroups[4] = {"Action", "Environment-2/Controls",
                                           "Environment-10/Controls", "Environment-13/Controls"};

// Parameterised cases print as their `name`, and are named so with
// ::testing::PrintToStringParamName() (bring it in with a using-declaration beside them).
template <typename Case>
auto operator<<(std::ostream& out, const Case& c) -> decltype(out << c.name) {
    return out << c.name;
}

inline int applicationArgc = 1;
inline char applicationName[] = "orvane_resource_tests";
inline char* applicationArgv[] = {applicationName, nullptr};

// Each test gets a fresh installation and a fresh application: translators installed by one
// test must not answer in the next.
class ResourceTest : public ::testing::Test {
protected:
    void Start() { // loads the platform and runs OrvaneInit
        platform_ = std::make_unique<Platform>(installation_);
        ASSERT_EQ(platform_->Init(), 0);
        installation_.ClearTrace();
    }
    // "<installation>/res/R/" with the folders and files given, plus one setting file of its own
    // unless `withSetting` is false.
    std::string MakeRoot(const Strings& dirs, const Files& files = {},
                         bool withSetting = true) const {
        const std::string root = installation_.Root() + "/res/R/";
        std::filesystem::create_directories(root);
        for (const auto& dir : dirs) {
            std::filesystem::create_directories(root + dir);
        }
        for (const auto& [target, source] : files) {
            installation_.WriteFile(root + target, ReadFile(source));
        }
        if (withSetting) {
            installation_.AddResourceRoot("res/R");
        }
        return root;
    }
    int Register(const std::string& package, const std::string& root) {
        return platform_->Reg(installation_.AddPackage(package, "bin/KxApp").c_str(), root.c_str());
    }
    void UnReg(const std::string& package) {
        platform_->UnReg((installation_.AppDir() + package + ".so").c_str());
    }
    std::string UserGroupDir(const std::string& group) const {
        return installation_.Home() + "roles/Engineer/" + group + "/";
    }
    std::string DefaultGroupDir(const std::string& group) const {
        return installation_.Home() + "logs/Nevra/cae_pr_/Settings/Default/" + group + "/";
    }

    Installation installation_;
    std::unique_ptr<QCoreApplication> application_ =
        std::make_unique<QCoreApplication>(applicationArgc, applicationArgv);
    std::unique_ptr<Platform> platform_;
};

} // namespace orvane::test
