// Start-up and shut-down of the platform: the log, the DLL search directories for the time of
// start-up, and the three phases that bring the listed packages up.
#include <orvane/Orvane.h>

#include "FilePath.h"
#include "FileSystem.h"
#include "Layout.h"
#include "ListedPackages.h"
#include "Log.h"
#include "PhaseScope.h"
#include "RecordTexts.h"
#include "ResourceKind.h"
#include "Sys.h"

#include <KxLog/KxLog.h>

#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace VELMORA::NEVRA::Platform {

namespace {

PhaseScope StageScope(const char* stage) {
    return PhaseScope([stage] { KX_LOG_INFO(stage + std::string(RecordText::StageBegin)); },
                      [stage] { KX_LOG_INFO(stage + std::string(RecordText::StageEnd)); });
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
        KX_LOG_FATAL(RecordText::HostAddDirectoryFailed + std::to_string(Sys::LastError()) +
                     RecordText::SystemErrorEnd);
        state.failed = true;
    }
    if (state.libraryCookie == nullptr) {
        KX_LOG_FATAL(RecordText::PlatformAddDirectoryFailed + std::to_string(Sys::LastError()) +
                     RecordText::SystemErrorEnd);
        state.failed = true;
    }
}

void RemoveDllDirectories(DllDirectories& state) {
    if (state.hostCookie != nullptr && !Sys::RemoveDllDirectory(state.hostCookie)) {
        KX_LOG_FATAL(RecordText::HostRemoveDirectoryFailed + std::to_string(Sys::LastError()) +
                     RecordText::SystemErrorEnd);
    }
    if (state.libraryCookie != nullptr && !Sys::RemoveDllDirectory(state.libraryCookie)) {
        KX_LOG_FATAL(RecordText::PlatformRemoveDirectoryFailed + std::to_string(Sys::LastError()) +
                     RecordText::SystemErrorEnd);
    }
}

int PlatformPreBuild() {
    const std::string target = UserLibraryDirectory();
    if (!PathExists(target)) {
        try {
            CreateDirsOrFail(target);
        } catch (const FileSystemError& error) {
            KX_LOG_ERROR(RecordText::CannotCreateUserLibrary + std::string(error.what()));
            return -1;
        }
    }
    const std::string source = ResourceDir(PlatformResourceRoot(), ResourceKind::CustomLibrary);
    if (!PathExists(source)) {
        KX_LOG_ERROR(RecordText::NoCustomLibrary + source + ": " +
                     Sys::ErrorText(Sys::LastError()));
        return -1;
    }
    std::vector<std::string> entries;
    ListDir(source, entries);
    // What the user already has is kept, even where the installation's copy is newer. An entry
    // arrives whole or not at all, so one that a failure left out is seeded at the next start;
    // one that another host seeded meanwhile is theirs and stays.
    for (const auto& entry : entries) {
        FilePath destination(target);
        destination.SetFileName(FilePath(entry).FileName());
        const std::string path = destination.Str();
        if (!PathExists(path)) {
            PlaceCopy(entry, path, Existing::Keep);
        }
    }
    return 0;
}

int RegisterStage(const char* stage, const char* failed, const std::string& ownPath,
                  KxPackageType type) {
    const PhaseScope scope = StageScope(stage);
    if (KxRegEx(ownPath.c_str(), nullptr, type) != 0) {
        KX_LOG_FATAL(failed);
        return -1;
    }
    return 0;
}

int PlatformBuild() {
    try {
        const std::string ownPath = ModuleFilePath();
        if (RegisterStage(RecordText::InternalPreStage.data(), RecordText::InternalPreFailed,
                          ownPath, KxInternalPre) != 0) {
            return -1;
        }
        {
            const PhaseScope scope = StageScope(RecordText::ExternalStage.data());
            PromotePendingAppList();
            for (const auto& app : EnabledApps(AppListPath())) {
                if (KxRegEx(app.c_str(), nullptr, KxExternal) != 0) {
                    KX_LOG_FATAL(RecordText::ExternalFailed);
                    return -1;
                }
            }
        }
        if (RegisterStage(RecordText::InternalPostStage.data(), RecordText::InternalPostFailed,
                          ownPath, KxInternalPost) != 0) {
            return -1;
        }
        return 0;
    } catch (const std::exception& error) {
        KX_LOG_FATAL(RecordText::LoadError + std::string(error.what()));
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

        const PhaseScope init = StageScope(RecordText::InitStage);
        {
            const PhaseScope phase = StageScope(RecordText::PreBuildStage);
            if (PlatformPreBuild() != 0) {
                KX_LOG_FATAL(RecordText::PreBuildFailed);
                return 1;
            }
        }
        {
            const PhaseScope phase = StageScope(RecordText::BuildStage);
            if (PlatformBuild() != 0) {
                KX_LOG_FATAL(RecordText::BuildFailed);
                return 1;
            }
        }
        { const PhaseScope phase = StageScope(RecordText::PostBuildStage); }
        return 0;
    } catch (const std::exception& error) {
        // The failed operation's own text names the file or folder and the system's reason.
        KX_LOG_ERROR(error.what());
        KX_LOG_FATAL(RecordText::InitUnexpectedError);
        return 1;
    } catch (...) {
        KX_LOG_FATAL(RecordText::InitUnexpectedError);
        return 1;
    }
}

extern "C" ORVANE_API int OrvaneExit(void) {
    try {
        const PhaseScope scope(
            [] { KX_LOG_INFO(RecordText::ExitStage + std::string(RecordText::StageBegin)); },
            [] {
                KX_LOG_INFO(RecordText::ExitStage + std::string(RecordText::StageEnd));
                KxLogExit();
            });
        KxRegClear();
        return 0;
    } catch (...) {
        KX_LOG_FATAL(RecordText::ExitUnexpectedError);
        return 0;
    }
}
