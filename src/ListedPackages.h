// The XML load lists in the platform's resource root: which modules and applications start.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace VELMORA::NEVRA::Platform {

class KxPackageMgr;

struct ModuleListEntry {
    bool qa = false;
    std::string name;
};

struct AppListEntry {
    bool load = false;
    std::string path;
};

std::string PreLoadListPath();
std::string PostLoadListPath();
std::string AppListPath();
std::string PendingAppListPath();

// A missing or malformed list reads as empty; entries lacking an attribute are skipped.
std::vector<ModuleListEntry> ReadModuleList(const std::string& file);
std::vector<std::string> ActiveModules(const std::string& file);
// Throws FileSystemError for a path with a malformed drive form.
std::vector<AppListEntry> ReadAppList(const std::string& file);
std::vector<std::string> EnabledApps(const std::string& file);
std::string ResolveAppPath(const std::string& text);

// Replaces the application list with the pending one, if there is one.
void PromotePendingAppList();

// Start and stop routines of the platform's own packages.
std::int32_t RegisterListedModules(KxPackageMgr* packages, const std::string& listFile);
std::int32_t UnregisterListedModules(KxPackageMgr* packages, const std::string& listFile);

} // namespace VELMORA::NEVRA::Platform
