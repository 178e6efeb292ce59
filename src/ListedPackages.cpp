#include "ListedPackages.h"

#include "FilePath.h"
#include "FileSystem.h"
#include "InstallationLayout.h"
#include "Layout.h"
#include "LoadListFile.h"
#include "Log.h"
#include "RecordTexts.h"
#include "Sys.h"

#include <orvane/KxPackageMgr.h>

namespace VELMORA::NEVRA::Platform {

namespace {

std::string ListPath(const char* fileName) {
    return FilePath(FilePath(PlatformResourceRoot()), fileName).Str();
}

// A list that is missing, or that holds no XML, names nothing and says nothing; one that is
// there but cannot be read at all would silently load nothing, so it is named with the reason.
void ReportUnreadable(const std::string& file, const LoadListFile& list) {
    if (list.Reading().state == XmlFileState::Unreadable && !Sys::EntryMissing(file)) {
        KX_LOG_ERROR(RecordText::CannotReadList + file + ": " + list.Reading().error);
    }
}

} // namespace

std::string PreLoadListPath() {
    return ListPath(InstallationLayout::PreLoadList);
}
std::string PostLoadListPath() {
    return ListPath(InstallationLayout::PostLoadList);
}
std::string AppListPath() {
    return ListPath(InstallationLayout::AppList);
}
std::string PendingAppListPath() {
    return ListPath(InstallationLayout::PendingAppList);
}

std::vector<ModuleListEntry> ReadModuleList(const std::string& file) {
    std::vector<ModuleListEntry> entries;
    const LoadListFile list = LoadListFile::ReadModules(file);
    ReportUnreadable(file, list);
    for (const auto& entry : list.Entries()) {
        entries.push_back({IsQaModule(entry), entry.first});
    }
    return entries;
}

std::vector<std::string> ActiveModules(const std::string& file) {
    std::vector<std::string> names;
    for (auto& entry : ReadModuleList(file)) {
        if (!entry.qa) {
            names.push_back(std::move(entry.name));
        }
    }
    return names;
}

std::vector<AppListEntry> ReadAppList(const std::string& file) {
    std::vector<AppListEntry> entries;
    const LoadListFile list = LoadListFile::ReadApps(file);
    ReportUnreadable(file, list);
    AppPathResolver resolver(AppDirectory());
    entries.reserve(list.Entries().size());
    for (const auto& entry : list.Entries()) {
        // The path is resolved before the switch is looked at: a disabled entry with a
        // malformed path still fails the list.
        std::string resolved = resolver.Resolve(entry.first).path;
        entries.push_back({IsEnabledApp(entry), std::move(resolved)});
    }
    return entries;
}

std::vector<std::string> EnabledApps(const std::string& file) {
    std::vector<std::string> paths;
    for (auto& entry : ReadAppList(file)) {
        if (entry.load) {
            paths.push_back(std::move(entry.path));
        }
    }
    return paths;
}

std::string ResolveAppPath(const std::string& text) {
    return ResolveAppPath(text, AppDirectory()).path;
}

void PromotePendingAppList() {
    std::string pending = PendingAppListPath();
    if (!PathExists(pending)) {
        return;
    }
    MoveEntry(pending, AppListPath());
}

std::int32_t RegisterListedModules(KxPackageMgr* packages, const std::string& listFile) {
    try {
        for (const auto& name : ActiveModules(listFile)) {
            const std::string dll = RegisteredModulePath(ModuleDirectory(), name);
            if (packages->Reg(dll.c_str(), nullptr) != 0) {
                return -1;
            }
        }
        return 0;
    } catch (...) {
        return -1;
    }
}

std::int32_t UnregisterListedModules(KxPackageMgr* packages, const std::string& listFile) {
    for (const auto& name : ActiveModules(listFile)) {
        packages->UnReg(ModuleLibraryPath(ModuleDirectory(), name).c_str());
    }
    return 0;
}

} // namespace VELMORA::NEVRA::Platform
