// What the resource scenarios share: the test data, resource roots in a fresh installation, and
// the host calls one root caused, read back from the host trace. Paths below a root are written
// with '/' on every system.
#pragma once

#include "Scenario.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace orvane::test {

using Strings = std::vector<std::string>;
using Files = std::vector<std::pair<std::string, std::string>>; // below the root, copied from

// A file of tests/resources/data, and one made by rcc or lrelease.
inline const auto DataFile = [](const std::string& f) { return ORVANE_RESOURCE_DATA "/" + f; };
inline const auto BuiltFile = [](const std::string& f) { return ORVANE_RESOURCE_BUILT "/" + f; };

template <typename T> std::vector<T> Concat(std::vector<T> a, const std::vector<T>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The names in a folder, or the contents of its files, sorted; empty when it is missing.
inline Strings Names(const std::string& dir, bool contents = false) {
    Strings names;
    std::error_code missing;
    for (const auto& entry : std::filesystem::directory_iterator(dir, missing)) {
        names.push_back(contents ? ReadFile(entry.path().string())
                                 : entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The host and user-interface calls that concern one resource root, in trace order, with the
// root cut off the front ("<root>" for the root itself): "kdlPathAdd Icons/", "kdlPathAdd text/
// refused", "RegisterRcc qrc/a.hrc", "kdlHelpDocLoad Languages/en_US/doc/context.txt", and every
// "kdlMsgDisp <text>".
inline Strings RootCalls(const Installation& installation, const std::string& root) {
    // Compiled resources are handed over in Qt's own form, with '/' on every system.
    const std::string prefix = Generic(root);
    Strings calls;
    for (const auto& line : installation.Trace()) {
        std::istringstream in(line);
        std::string call, arg, result;
        std::getline(std::getline(std::getline(in, call, '\t'), arg, '\t'), result, '\t');
        if (call == "kdlMsgDisp") {
            calls.push_back(call + " " + arg);
        } else if ((call == "kdlPathAdd" || call == "RegisterRcc" || call == "kdlHelpDocLoad") &&
                   Generic(arg).compare(0, prefix.size(), prefix) == 0) {
            const bool refused = call == "kdlPathAdd" && result == "1";
            const std::string below = Generic(arg.substr(prefix.size()));
            calls.push_back(call + " " + (below.empty() ? "<root>" : below) +
                            (refused ? " refused" : ""));
        }
    }
    return calls;
}

// What every root is offered before its languages: the root and the folders the host expects;
// then, on an English host, the English folders and help.
inline const Strings kPathPart = {"kdlPathAdd <root>", "kdlPathAdd Icons/", "kdlPathAdd text/",
                                  "kdlPathAdd Languages/"};
inline const Strings kEnglishOnly = {"kdlPathAdd Languages/en_US/",
                                     "kdlPathAdd Languages/en_US/Text/",
                                     "kdlHelpDocLoad Languages/en_US/doc/context.txt"};
// Default setting files of the test data: two of actions, three of controls.
inline const std::string kAction = "Configures/Default/Action/";
inline const std::string kControls = "Configures/Default/Controls/";
inline const Files kSettings = {{kAction + "open.hcui", DataFile("settings/open.hcui")},
                                {kControls + "panel.hcui", DataFile("settings/panel.hcui")},
                                {kAction + "save.hcui", DataFile("settings/save.hcui")},
                                {kControls + "ribbon.hcui", DataFile("settings/ribbon.hcui")},
                                {kControls + "toolbar.hcui", DataFile("settings/toolbar.hcui")}};
// The setting groups, each with a user-side and a default-side folder.
inline constexpr const char* kGroups[4] = {"Action/", "Environment-2/Controls/",
                                           "Environment-10/Controls/", "Environment-13/Controls/"};

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
    std::string MakeRoot(const Strings& dirs, const Files& files, bool withSetting = true) const {
        const std::string root = withSetting ? installation_.AddResourceRoot("res/R")
                                             : Native(installation_.Root() + "/res/R/");
        for (const auto& dir : dirs) {
            std::filesystem::create_directories(root + dir);
        }
        for (const auto& [target, source] : files) {
            installation_.WriteFile(root + target, ReadFile(source));
        }
        return root;
    }
    void Touch(const std::string& path) const { installation_.WriteFile(path, "x"); }
    int Register(const std::string& package, const std::string& root) {
        return platform_->Reg(installation_.AddPackage(package, "bin/KxApp").c_str(), root.c_str());
    }

    Installation installation_;
    const std::string userSide_ = installation_.Home() + Native("roles/Engineer/");
    const std::string userAction_ = userSide_ + Native(kGroups[0]);
    const std::string defaultSide_ =
        installation_.Home() + Native("logs/Nevra/cae_pr_/Settings/Default/");
    std::unique_ptr<QCoreApplication> application_ =
        std::make_unique<QCoreApplication>(applicationArgc, applicationArgv);
    std::unique_ptr<Platform> platform_;
};

} // namespace orvane::test
