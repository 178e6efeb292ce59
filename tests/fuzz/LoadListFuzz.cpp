// The load-list reader on any bytes, through the same calls start-up makes: the bytes are
// written as the pending application list, promoted to the application list, and read both as
// that and as a module list. Reading never fails but for a path with a malformed drive, which
// throws FileSystemError; what is enabled is always among what was read.
#include "FileSystemError.h"
#include "ListedPackages.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace Platform = VELMORA::NEVRA::Platform;

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The lists live in the resource root beside this program, as they do beside the library.
    std::filesystem::create_directories(
        std::filesystem::path(Platform::AppListPath()).parent_path());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::ofstream(Platform::PendingAppListPath(), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    try {
        Platform::PromotePendingAppList();
    } catch (const Platform::FileSystemError&) {
        std::abort(); // the promotion of a readable list must not fail
    }
    const std::string list = Platform::AppListPath();

    const auto modules = Platform::ReadModuleList(list);
    const auto active = Platform::ActiveModules(list);
    Require(active.size() <= modules.size());
    for (const std::string& name : active) {
        Require(std::any_of(modules.begin(), modules.end(),
                            [&](const auto& entry) { return !entry.qa && entry.name == name; }));
    }

    try {
        const auto apps = Platform::ReadAppList(list);
        const auto enabled = Platform::EnabledApps(list);
        for (const std::string& path : enabled) {
            Require(std::any_of(apps.begin(), apps.end(), [&](const auto& entry) {
                return entry.load && entry.path == path;
            }));
        }
    } catch (const Platform::FileSystemError&) {
        // a path with a malformed drive fails the whole list, as documented
    }
    return 0;
}
