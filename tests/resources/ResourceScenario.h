// What the resource scenarios share: the test data, resource roots in an installation, and the
// host calls one root caused, read back from the host trace.
#pragma once

#include "Scenario.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace orvane::test {

std::string DataFile(const std::string& relative); // a file of tests/resources/data
std::string BuiltFile(const std::string& name);    // a file made by rcc or lrelease

// Copies a file, creating the target's folders.
void CopyFile(const std::string& from, const std::string& to);
void MakeDirs(const std::string& dir);
// The names in a folder, sorted; empty when it is missing.
std::vector<std::string> Names(const std::string& dir);

// The host and user-interface calls that concern one resource root, in trace order, with the
// root cut off the front ("<root>" for the root itself): "kdlPathAdd Icons/", "kdlPathAdd text/
// refused", "RegisterRcc qrc/a.hrc", "kdlHelpDocLoad Languages/en_US/doc/context.txt", and every
// "kdlMsgDisp <text>".
std::vector<std::string> RootCalls(const Installation& installation, const std::string& root);

// The user's and the default folders of the setting groups, for the harness's KALDOR_HOME.
std::string UserGroupDir(const Installation& installation, const std::string& group);
std::string DefaultGroupDir(const Installation& installation, const std::string& group);
extern const char* const kGroups[4]; // "Action", "Environment-2/Controls", ...

// Parameterised cases print as their name (bring it in with a using-declaration beside them).
template <typename Case>
auto operator<<(std::ostream& out, const Case& c) -> decltype(out << c.name) {
    return out << c.name;
}

// Each test gets a fresh installation and, unless it asks for none, a fresh application:
// translators installed by one test must not answer in the next.
class ResourceTest : public ::testing::Test {
protected:
    explicit ResourceTest(bool withApplication = true);

    // A resource root "<installation>/res/<name>/" with the given sub-directories and files
    // (file paths relative to the root, copied from the data); returns it with a trailing "/".
    std::string MakeRoot(const std::string& name, const std::vector<std::string>& dirs,
                         const std::vector<std::pair<std::string, std::string>>& files = {}) const;
    // Registers package `package` (a built test package) with an explicit resource root.
    int Register(const std::string& package, const std::string& root);
    std::string PackagePath(const std::string& package) const;

    Installation installation_;
    std::unique_ptr<QCoreApplication> application_;
    std::unique_ptr<Platform> platform_; // set by Start
    void Start();                        // loads the platform and runs OrvaneInit
};

} // namespace orvane::test
