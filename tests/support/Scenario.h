// Scenario support: a temporary installation with a fresh copy of Orvane.so, the host libraries
// and real package libraries, driven through the exports exactly as a host drives them.
#pragma once

#include "ProcessState.h"
#include "TempFolder.h"

#include <orvane/Orvane.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orvane::test {

std::string BuildBinDir();     // the build's bin folder (Orvane.so, host libraries)
std::string TestPackagesDir(); // where the test package libraries are built
// "Alpha" -> "Alpha.so" (".dll" on Windows).
std::string LibraryName(const std::string& stem);
// `path` with the system's own separator for '/', as the platform renders paths, and back.
std::string Native(std::string path);
std::string Generic(std::string path);
// A text of records or paths as Linux writes it: '/' for the system's separator, ".so" for its
// library suffix, so that one expectation holds on both systems.
std::string Portable(std::string text);

struct ModuleEntry {
    std::string name;
    std::string qa = "0";
};

struct AppEntry {
    std::string path;
    std::string load = "1";
};

struct LogRecord {
    std::string time;
    std::string level;
    std::string module;
    std::string source;
    int line = 0;
    std::string message;
};

// A fresh installation under a temporary folder:
//   <root>/bin/Orvane.so and the host libraries (copied from the build)
//   <root>/bin/KxApp/Resource/Orvane/ with empty load lists, Library/custom/seed.txt and one
//   setting file, so that the platform's own registration succeeds
//   <root>/home/ as KALDOR_HOME; <root>/trace.txt as KALDOR_TRACE; <root>/events.txt as
//   ORVANE_TEST_EVENTS. Every other configuration variable is cleared.
class Installation {
public:
    Installation();
    ~Installation();
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    const std::string& Root() const { return root_; }
    // Folders end with the system's separator; every path is written with it.
    std::string Bin() const { return Native(root_ + "/bin/"); }
    std::string AppDir() const { return Bin() + Native("KxApp/"); }
    std::string PlatformRoot() const { return AppDir() + Native("Resource/Orvane/"); }
    std::string Home() const { return Native(root_ + "/home/"); }
    std::string LogFile() const { return Home() + Native("logs/Nevra/KxLog.log"); }
    std::string OrvanePath() const { return Bin() + LibraryName("Orvane"); }

    void WritePreLoad(const std::vector<ModuleEntry>& modules);
    void WritePostLoad(const std::vector<ModuleEntry>& modules);
    void WriteAppList(const std::vector<AppEntry>& apps);

    // Writes a file below the root (relative path) or at an absolute path, creating folders.
    void WriteFile(const std::string& path, const std::string& content) const;
    void RemovePath(const std::string& path) const;
    // Copies the test package `built` (a stem of TestPackagesDir) to <root>/<relDir>/<as>.so and
    // writes its behaviour file when given. Returns the full path of the copy.
    std::string AddPackage(const std::string& built, const std::string& relDir,
                           const std::string& behaviour = "", std::string as = "") const;
    // A resource root below the root with one setting file, so that it loads.
    std::string AddResourceRoot(const std::string& relDir) const;

    std::vector<LogRecord> Records() const;
    std::vector<std::string> Messages() const; // the message of every record, in order
    std::vector<std::string> Trace() const;
    std::vector<std::string> Events() const;
    void ClearTrace() const;

private:
    // It sets the variables the platform and the host libraries read, for this installation only.
    TestSupport::ScopedProcessState processState_;
    TestSupport::TempFolder folder_{"orvane-scenario-"};
    const std::string root_ = folder_.Path();
};

struct ListEntry {
    std::uint32_t ownerId;
    std::uint32_t id;
    std::string path;
};

struct Conflict {
    std::string name;
    std::vector<std::string> paths;
};

// Orvane.so of an installation, loaded with the OS loader; unloaded by Unload or destruction.
class Platform {
public:
    explicit Platform(const Installation& installation);
    explicit Platform(const std::string& orvanePath);
    ~Platform();
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;

    int Init();
    int Exit();
    int Reg(const char* dll, const char* resourceDir);
    int RegEx(const char* dll, const char* resourceDir, int type);
    void UnReg(const char* dll);
    void RegClear();
    std::vector<ListEntry> List();
    std::vector<std::string> PathList(int type);
    std::vector<Conflict> CheckPathList(int type);
    // Listener calls of the last PathList/CheckPathList/List: each export calls exactly once.
    int LastListenerCalls() const { return listenerCalls_; }
    void Unload();

    template <typename F> F Symbol(const char* name) const {
        return reinterpret_cast<F>(RawSymbol(name));
    }

private:
    void* RawSymbol(const char* name) const;

    void* handle_ = nullptr;
    int listenerCalls_ = 0;
};

// Reads a whole file; "" when missing.
std::string ReadFile(const std::string& path);
std::vector<std::string> ReadLines(const std::string& path);
bool Exists(const std::string& path);

} // namespace orvane::test
