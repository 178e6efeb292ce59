#include "LoadLists.h"

#include "FilePath.h"
#include "FileSystem.h"
#include "Layout.h"
#include "Sys.h"

#include <orvane/KxPackageMgr.h>

#include <tinyxml2.h>

namespace VELMORA::NEVRA::Platform {

namespace {

std::string ListPath(const char* fileName) {
    return FilePath(FilePath(PlatformResourceRoot()), fileName).Str();
}

// Calls `take(first, second)` for each direct child of the root named `entry` that carries both
// attributes, in document order.
template <typename Take>
void ReadEntries(const std::string& file, const char* entry, const char* first, const char* second,
                 Take take) {
    std::string bytes;
    try {
        bytes = ReadFileBytes(file);
    } catch (const FileSystemError&) {
        return; // a list that cannot be read names nothing
    }
    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    if (document.Parse(bytes.data(), bytes.size()) != tinyxml2::XML_SUCCESS) {
        return;
    }
    const tinyxml2::XMLElement* root = document.FirstChildElement();
    if (root == nullptr) {
        return;
    }
    for (const tinyxml2::XMLElement* e = root->FirstChildElement(entry); e != nullptr;
         e = e->NextSiblingElement(entry)) {
        const char* a = e->Attribute(first);
        const char* b = e->Attribute(second);
        if (a != nullptr && b != nullptr) {
            take(a, b);
        }
    }
}

std::string ModuleLibraryPath(const std::string& name) {
    return ModuleDirectory() + name + Sys::LibrarySuffix();
}

} // namespace

std::string PreLoadListPath() {
    return ListPath("NevraPreLoad.xml");
}
std::string PostLoadListPath() {
    return ListPath("NevraPostLoad.xml");
}
std::string AppListPath() {
    return ListPath("NevraPreLoadApp.xml");
}
std::string PendingAppListPath() {
    return ListPath("NevraPreLoadApp.tmp.xml");
}

std::vector<ModuleListEntry> ReadModuleList(const std::string& file) {
    std::vector<ModuleListEntry> entries;
    ReadEntries(file, "module", "name", "qa", [&](const char* name, const char* qa) {
        entries.push_back({std::string(qa) == "1", name});
    });
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
    ReadEntries(file, "App", "path", "load", [&](const char* path, const char* load) {
        // The path is resolved before the switch is looked at: a disabled entry with a
        // malformed path still fails the list.
        std::string resolved = ResolveAppPath(path);
        entries.push_back({std::string(load) == "1", std::move(resolved)});
    });
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
    const FilePath path(text);
    if (!path.HasFileName()) {
        return path.Str();
    }
    const std::string appDirectory = AppDirectory();
    if (!path.IsRelative()) {
        return path.Parent().Str() == appDirectory ? path.FileName() : path.Str();
    }
    return FilePath(FilePath(FilePath(appDirectory), text).Str()).Str();
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
            const std::string dll = FilePath(ModuleLibraryPath(name)).Str();
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
        packages->UnReg(ModuleLibraryPath(name).c_str());
    }
    return 0;
}

} // namespace VELMORA::NEVRA::Platform
