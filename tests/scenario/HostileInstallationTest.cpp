// An installation and user folders as a real machine may have them: FIFOs, sockets, links to
// devices, dangling links, links to folders outside, an unreadable folder, a file where a folder
// belongs, names that are not UTF-8, a very deep tree and a very full folder. Start-up, every
// resource answer and shut-down must return, leave everything outside alone, and answer as the
// same installation without the hostile entries does.
//
// Each run happens in a child process under a watchdog, so that a call that blocks fails the
// test instead of hanging it.
#include "ChildProcess.h"
#include "Scenario.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace orvane::test {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

// The resource types both exports know.
constexpr int kResourceTypes = 8;

// Replaces every occurrence of `from` in `text`.
std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

void MakeFifo(const std::string& path) {
    fs::create_directories(fs::path(path).parent_path());
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0) << path;
}

void MakeSocket(const std::string& path) {
    fs::create_directories(fs::path(path).parent_path());
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof address.sun_path) << path;
    path.copy(address.sun_path, path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0) << path;
    ::close(fd);
}

void Link(const std::string& target, const std::string& path) {
    fs::create_directories(fs::path(path).parent_path());
    ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0) << path;
}

// Every entry below `dir` with its kind, permissions and content: what "unchanged" means.
std::map<std::string, std::string> Snapshot(const std::string& dir) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        const auto status = entry.symlink_status();
        std::string state = std::to_string(static_cast<int>(status.type())) + " " +
                            std::to_string(static_cast<int>(status.permissions()));
        if (fs::is_regular_file(status)) {
            state += " " + ReadFile(entry.path());
        } else if (fs::is_symlink(status)) {
            state += " " + fs::read_symlink(entry.path()).string();
        }
        entries[entry.path().lexically_relative(dir).string()] = state;
    }
    return entries;
}

// A folder outside the installation and the user folders, which the links lead into.
class Sentinel {
public:
    Sentinel() {
        for (const char* sub : {"", "/settings", "/settings/Default/Action", "/icons"}) {
            fs::create_directories(dir_ + sub);
            std::ofstream(dir_ + sub + "/keep.hcui") << "<Actions name=\"keep\"/>\n";
        }
    }

    const std::string& Dir() const { return dir_; }

private:
    TestSupport::TempFolder folder_{"orvane-sentinel-"};
    const std::string dir_ = folder_.Path();
};

// The part that both installations share: two applications whose resource roots define the same
// names in every resource type, settings on both sides, and names that are not UTF-8.
void WriteCommonContent(Installation& install) {
    install.AddPackage("Alpha", "bin/KxApp");
    install.AddPackage("Beta", "bin/KxApp");
    install.WriteAppList({{"Alpha.so"}, {"Beta.so"}});
    const std::string notUtf8 = "n\xff\xfe";
    for (const char* app : {"Alpha", "Beta"}) {
        const std::string root = install.AppDir() + app + "/";
        const std::string name = app;
        install.WriteFile(root + "Configures/Default/Action/" + name + ".hcui",
                          "<Actions><Action name=\"" + name + "\"/></Actions>\n");
        install.WriteFile(root + "Configures/Default/Controls/panel.hcui", "<Controls/>\n");
        install.WriteFile(root + "Context/menu.xml", "<Menus><Menu name=\"shared\"/></Menus>\n");
        install.WriteFile(root + "Commands/run.cmd", "run");
        install.WriteFile(root + "Forms/form.ui", "<ui/>");
        install.WriteFile(root + "Icons/icon.png", "png");
        install.WriteFile(root + "Icons/" + notUtf8 + ".png", "png");
        install.WriteFile(root + "qrc/shared.txt", "not a resource package");
        install.WriteFile(root + "text/" + notUtf8 + ".txt", "text");
        install.WriteFile(root + "doc/help.html", "help");
    }
    // A full folder.
    for (int i = 0; i < 10000; ++i) {
        install.WriteFile(install.AppDir() + "Alpha/Forms/f" + std::to_string(i) + ".ui", "");
    }
    const std::string userAction = install.Home() + "roles/Engineer/Action/";
    install.WriteFile(userAction + "mine.hcui", "<Actions><Action name=\"mine\"/></Actions>\n");
    install.WriteFile(userAction + "also.hcui", "<Actions><Action name=\"mine\"/></Actions>\n");
}

// Start-up, both exports for every type, shut-down and the log, with the installation's root
// written as "<root>", one answer per line.
std::string RunAndAnswer(const Installation& install, const std::string& unreadable) {
    std::ostringstream out;
    const bool dropped = DropPermissionOverride();
    if (!unreadable.empty()) {
        DIR* probe = ::opendir(unreadable.c_str());
        const bool refused = probe == nullptr;
        if (probe != nullptr) {
            ::closedir(probe);
        }
        out << "unreadable\t" << (dropped && refused ? "yes" : "no") << "\n";
    }
    Platform platform(install);
    out << "init\t" << platform.Init() << "\n";
    for (int type = 0; type < kResourceTypes; ++type) {
        for (const auto& path : platform.PathList(type)) {
            out << "paths\t" << type << "\t" << path << "\n";
        }
        for (const auto& conflict : platform.CheckPathList(type)) {
            out << "conflict\t" << type << "\t" << conflict.name;
            for (const auto& path : conflict.paths) {
                out << "\t" << path;
            }
            out << "\n";
        }
    }
    out << "exit\t" << platform.Exit() << "\n";
    platform.Unload();
    for (const auto& record : install.Records()) {
        out << "log\t" << record.level << "\t" << record.message << "\n";
    }
    return Replace(out.str(), install.Root(), "<root>");
}

Strings Lines(const std::string& text) {
    Strings lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The answers of a run, without the line that says whether the unreadable row was active.
Strings Answers(const ChildResult& run, bool& unreadableActive) {
    Strings answers;
    for (const auto& line : Lines(run.output)) {
        if (line.rfind("unreadable\t", 0) == 0) {
            unreadableActive = line == "unreadable\tyes";
        } else {
            answers.push_back(line);
        }
    }
    return answers;
}

TEST(HostileInstallation, StartsAnswersAndStopsAsWithoutTheHostileEntries) {
    Strings expected;
    {
        Installation clean;
        WriteCommonContent(clean);
        const ChildResult run = RunInChild([&] { return RunAndAnswer(clean, ""); });
        ASSERT_TRUE(run.finished) << "the clean installation: " << run.failure;
        bool unused = false;
        expected = Answers(run, unused);
    }
    ASSERT_NE(std::find(expected.begin(), expected.end(), "init\t0"), expected.end());

    Sentinel sentinel;
    Installation install;
    WriteCommonContent(install);
    const std::string alpha = install.AppDir() + "Alpha/";
    const std::string beta = install.AppDir() + "Beta/";
    const std::string userAction = install.Home() + "roles/Engineer/Action/";
    const std::string custom = install.PlatformRoot() + "Library/custom/";
    // Special files where setting, menu, action and resource files are read or copied.
    MakeFifo(alpha + "Configures/Default/Action/fifo.hcui");
    MakeFifo(alpha + "Context/fifo.xml");
    MakeFifo(beta + "Icons/icon.png.fifo");
    MakeFifo(userAction + "NEVRA0000001.hcui");
    MakeFifo(custom + "fifo");
    MakeFifo(install.PlatformRoot() + "NevraPreLoadApp.tmp.xml");
    MakeSocket(alpha + "Context/s.xml");
    MakeSocket(beta + "Commands/s.cmd");
    MakeSocket(userAction + "socket.hcui");
    Link("/dev/zero", alpha + "Configures/Default/Controls/zero.hcui");
    Link("/dev/zero", beta + "Context/zero.xml");
    Link("/dev/zero", userAction + "zero.hcui");
    Link("/dev/zero", custom + "zero");
    Link("/dev/null", beta + "Configures/Default/Action/null.hcui");
    Link("/dev/null", alpha + "Forms/null.ui");
    Link(install.Root() + "/gone", alpha + "Icons/dangling.png");
    Link(install.Root() + "/gone", beta + "Configures/Default/Controls/dangling.hcui");
    Link(install.Root() + "/gone", custom + "dangling");
    // Links to folders outside, spelled with and without a trailing separator; the settings
    // tree that every load rebuilds is one of them.
    Link(sentinel.Dir(), alpha + "Icons/outside");
    Link(sentinel.Dir() + "/", beta + "Icons/outside");
    Link(sentinel.Dir() + "/icons/", alpha + "Configures/Default/Action/outside.hcui");
    Link(sentinel.Dir(), custom + "outside");
    Link(sentinel.Dir() + "/settings/", install.Home() + "logs/Nevra/cae_pr_/Settings");
    Link(sentinel.Dir() + "/settings", userAction + "outside");
    // A file where a folder belongs, a very deep tree, an unreadable folder.
    install.WriteFile(beta + "data", "a file where the optional data folder would be");
    install.WriteFile(install.Home() + "roles/Engineer/Environment-2", "a file, not a folder");
    std::string deep = custom + "deep";
    for (int level = 0; level < 200; ++level) {
        deep += "/d";
    }
    install.WriteFile(deep + "/bottom.txt", "bottom");
    const std::string unreadable = alpha + "Context/locked";
    install.WriteFile(unreadable + "/menu.xml", "<Menus><Menu name=\"hidden\"/></Menus>\n");
    fs::permissions(unreadable, fs::perms::none);
    const auto before = Snapshot(sentinel.Dir());

    const ChildResult run = RunInChild([&] { return RunAndAnswer(install, unreadable); });
    fs::permissions(unreadable, fs::perms::owner_all);
    ASSERT_TRUE(run.finished) << run.failure;
    bool unreadableActive = false;
    const Strings answers = Answers(run, unreadableActive);
    // Giving up a capability is always allowed, and without it root is refused like anyone.
    EXPECT_TRUE(unreadableActive) << "the unreadable folder could be read";
    EXPECT_EQ(answers, expected);
    EXPECT_EQ(Snapshot(sentinel.Dir()), before);
    // The names that are not UTF-8 are answered like any other.
    EXPECT_NE(std::find_if(answers.begin(), answers.end(),
                           [](const std::string& line) {
                               return line.rfind("conflict\t4\tn\xff\xfe.png\t", 0) == 0;
                           }),
              answers.end());
    // The links left in the user folders lead where they led; the settings tree is a folder.
    EXPECT_TRUE(
        fs::is_directory(fs::symlink_status(install.Home() + "logs/Nevra/cae_pr_/Settings")));
    EXPECT_EQ(ReadFile(install.Home() + "library/Nevra/deep" + deep.substr(custom.size() + 4) +
                       "/bottom.txt"),
              "bottom");
}

} // namespace
} // namespace orvane::test
