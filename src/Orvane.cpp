// Start-up and shut-down of the platform: the log, the DLL search directories for the time of
// start-up, and the three phases that bring the listed packages up.
#include "Orvane.h"

#include "FilePath.h"
#include "FileSystem.h"
#include "KxResource.h"
#include "Layout.h"
#include "LoadLists.h"
#include "Log.h"
#include "PhaseScope.h"
#include "Sys.h"

#include <KxLog/KxLog.h>

#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace VELMORA::NEVRA::Platform {

namespace {

PhaseScope InfoScope(const char* begin, const char* end) {
    return PhaseScope([begin] { KX_LOG_INFO(begin); }, [end] { KX_LOG_INFO(end); });
}

// The directories added while packages load, and what it took to add them.
struct DllDirectories {
    bool failed = false;
    Sys::DirectoryCookie hostCookie = nullptr;
    Sys::DirectoryCookie libraryCookie = nullptr;
};

void AddDllDirectories(DllDirectories& state) {
    state.libraryCookie = Sys::AddModuleDirectory(Sys::ModuleFile::Platform);
    state.hostCookie = Sys::AddModuleDirectory(Sys::ModuleFile::Executable);
    // Both are attempted before either is checked; the host's failure is reported first.
    if (state.hostCookie == nullptr) {
        KX_LOG_FATAL("Kaldor: AddDllDirectory, " + std::to_string(Sys::LastError()) + ")");
        state.failed = true;
    }
    if (state.libraryCookie == nullptr) {
        KX_LOG_FATAL("Nevra: AddDllDirectory, " + std::to_string(Sys::LastError()) + ")");
        state.failed = true;
    }
}

void RemoveDllDirectories(DllDirectories& state) {
    if (state.hostCookie != nullptr && !Sys::RemoveDllDirectory(state.hostCookie)) {
        KX_LOG_FATAL("Kaldor: RemoveDllDirectory, " + std::to_string(Sys::LastError()) + ")");
    }
    if (state.libraryCookie != nullptr && !Sys::RemoveDllDirectory(state.libraryCookie)) {
        KX_LOG_FATAL("Nevra: RemoveDllDirectory, " + std::to_string(Sys::LastError()) + ")");
    }
}

int PlatformPreBuild() {
    const std::string target = UserLibraryDirectory();
    if (!PathExists(target)) {
        CreateDirs(target);
        if (!PathExists(target)) {
            return -1;
        }
    }
    const std::string source = ResourceDir(PlatformResourceRoot(), 10);
    if (!PathExists(source)) {
        return -1;
    }
    std::vector<std::string> entries;
    ListDir(source, entries);
    // What the user already has is kept, even where the installation's copy is newer.
    for (const auto& entry : entries) {
        FilePath destination(target);
        destination.SetFileName(FilePath(entry).FileName());
        const std::string path = destination.Str();
        if (!PathExists(path)) {
            CopyEntry(entry, path);
        }
    }
    return 0;
}

int RegisterStage(const char* begin, const char* end, const char* failed,
                  const std::string& ownPath, std::int32_t type) {
    const PhaseScope scope = InfoScope(begin, end);
    if (KxRegEx(ownPath.c_str(), nullptr, type) != 0) {
        KX_LOG_FATAL(failed);
        return -1;
    }
    return 0;
}

int PlatformBuild() {
    try {
        const std::string ownPath = ModuleFilePath();
        if (RegisterStage("InternalPre Register Begin", "InternalPre Register End",
                          "InternalPre Failed", ownPath, InternalPre) != 0) {
            return -1;
        }
        {
            const PhaseScope scope = InfoScope("External Register Begin", "External Register End");
            PromotePendingAppList();
            for (const auto& app : EnabledApps(AppListPath())) {
                if (KxRegEx(app.c_str(), nullptr, External) != 0) {
                    KX_LOG_FATAL("External Failed");
                    return -1;
                }
            }
        }
        if (RegisterStage("InternalPost Register Begin", "InternalPost Register End",
                          "InternalPost Failed", ownPath, InternalPost) != 0) {
            return -1;
        }
        return 0;
    } catch (const std::exception& error) {
        KX_LOG_FATAL(std::string("load err:") + error.what());
        KxRegClear();
        return -1;
    }
}

} // namespace

} // namespace VELMORA::NEVRA::Platform

using namespace VELMORA::NEVRA::Platform;

extern "C" ORVANE_API int OrvaneInit(void) {
    try {
        const std::string logDirectory = LogDirectory();
        KxLogSetOutputPath(logDirectory.c_str());
        KxLogInit();

        DllDirectories directories;
        std::optional<PhaseScope> dllScope;
        dllScope.emplace([&directories] { AddDllDirectories(directories); },
                         [&directories] { RemoveDllDirectories(directories); });
        if (directories.failed) {
            dllScope.reset();
            return 1;
        }

        const PhaseScope init = InfoScope("OrvaneInit Begin", "OrvaneInit End");
        {
            const PhaseScope phase = InfoScope("PlatformPreBuild Begin", "PlatformPreBuild End");
            if (PlatformPreBuild() != 0) {
                KX_LOG_FATAL("PreBuild Failed");
                return 1;
            }
        }
        {
            const PhaseScope phase = InfoScope("PlatformBuild Begin", "PlatformBuild End");
            if (PlatformBuild() != 0) {
                KX_LOG_FATAL("PlatformBuild Failed");
                return 1;
            }
        }
        { const PhaseScope phase = InfoScope("PlatformPostBuild Begin", "PlatformPostBuild End"); }
        return 0;
    } catch (...) {
        KX_LOG_FATAL("OrvaneInit Unexpected Error");
        return 1;
    }
}

extern "C" ORVANE_API int OrvaneExit(void) {
    try {
        const PhaseScope scope([] { KX_LOG_INFO("OrvaneExit Begin"); },
                               [] {
                                   KX_LOG_INFO("OrvaneExit End");
                                   KxLogExit();
                               });
        KxRegClear();
        return 0;
    } catch (...) {
        KX_LOG_FATAL("OrvaneExit Unexpected Error");
        return 0;
    }
}
