#include "ResourceScenario.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

namespace orvane::test {

namespace {

int applicationArgc = 1;
char applicationName[] = "orvane_resource_tests";
char* applicationArgv[] = {applicationName, nullptr};

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    std::string field;
    while (std::getline(in, field, '\t')) {
        fields.push_back(field);
    }
    return fields;
}

} // namespace

const char* const kGroups[4] = {"Action", "Environment-2/Controls", "Environment-10/Controls",
                                "Environment-13/Controls"};

std::string DataFile(const std::string& relative) {
    return std::string(ORVANE_RESOURCE_DATA_DIR) + "/" + relative;
}

std::string BuiltFile(const std::string& name) {
    return std::string(ORVANE_RESOURCE_BUILT_DIR) + "/" + name;
}

void CopyFile(const std::string& from, const std::string& to) {
    fs::create_directories(fs::path(to).parent_path());
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

void MakeDirs(const std::string& dir) {
    fs::create_directories(dir);
}

std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> RootCalls(const Installation& installation, const std::string& root) {
    std::vector<std::string> calls;
    for (const auto& line : installation.Trace()) {
        const auto f = Fields(line);
        if (f.size() < 2) {
            continue;
        }
        if (f[0] == "kdlMsgDisp") {
            calls.push_back(f[0] + " " + f[1]);
            continue;
        }
        if ((f[0] != "kdlPathAdd" && f[0] != "RegisterRcc" && f[0] != "kdlHelpDocLoad") ||
            f[1].compare(0, root.size(), root) != 0) {
            continue;
        }
        const std::string below = f[1].substr(root.size());
        std::string call = f[0] + " " + (below.empty() ? "<root>" : below);
        if (f[0] == "kdlPathAdd" && f.size() > 2 && f[2] != "0") {
            call += " refused";
        }
        calls.push_back(call);
    }
    return calls;
}

std::string UserGroupDir(const Installation& installation, const std::string& group) {
    return installation.Home() + "roles/Engineer/" + group + "/";
}

std::string DefaultGroupDir(const Installation& installation, const std::string& group) {
    return installation.Home() + "logs/Nevra/cae_pr_/Settings/Default/" + group + "/";
}

ResourceTest::ResourceTest(bool withApplication) {
    if (withApplication) {
        application_ = std::make_unique<QCoreApplication>(applicationArgc, applicationArgv);
    }
}

std::string
ResourceTest::MakeRoot(const std::string& name, const std::vector<std::string>& dirs,
                       const std::vector<std::pair<std::string, std::string>>& files) const {
    const std::string root = installation_.Root() + "/res/" + name + "/";
    MakeDirs(root);
    for (const auto& dir : dirs) {
        MakeDirs(root + dir);
    }
    for (const auto& [target, source] : files) {
        CopyFile(source, root + target);
    }
    return root;
}

std::string ResourceTest::PackagePath(const std::string& package) const {
    return installation_.AppDir() + package + ".so";
}

int ResourceTest::Register(const std::string& package, const std::string& root) {
    const std::string dll = installation_.AddPackage(package, "bin/KxApp");
    return platform_->Reg(dll.c_str(), root.c_str());
}

void ResourceTest::Start() {
    platform_ = std::make_unique<Platform>(installation_);
    ASSERT_EQ(platform_->Init(), 0);
    installation_.ClearTrace();
}

} // namespace orvane::test
