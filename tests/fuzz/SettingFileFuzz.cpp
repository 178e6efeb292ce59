// The reader of setting files (the action and context-menu files whose names the conflict check
// collects) on any bytes, written as a file in an action folder. A file that is not XML
// contributes nothing; every name it defines more than once is recorded against that file only.
#include "KxResourceConfilct.h"
#include "SettingStore.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

// The library's one store is a static object of the shared library only. The reader never
// touches it, but the core's resource code refers to it, so this program brings its own, built
// only if something asks for it.
SettingStore& SettingStore::Instance() {
    static SettingStore store;
    return store;
}

namespace {

// A folder of this process's own, removed when the process ends.
struct ActionFolder final {
    ActionFolder() { std::filesystem::create_directories(file.parent_path()); }
    ~ActionFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    ActionFolder(const ActionFolder&) = delete;
    ActionFolder& operator=(const ActionFolder&) = delete;

    const std::filesystem::path root = std::filesystem::temp_directory_path() /
                                       ("orvane-fuzz-settings-" + std::to_string(::getpid()));
    const std::filesystem::path file = root / "Action" / "Fuzzed.hcui";
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ActionFolder folder;
    const std::string file = folder.file.string();
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    for (const ConflictCollector collect : {CollectActionNames, CollectMenuNames}) {
        VELMORA::NEVRA::Platform::NameOccurrences cache;
        collect(cache, file);
        for (const auto& [name, files] : cache.TakeConflicts()) {
            for (const std::string& where : files) {
                if (where != file) {
                    std::abort();
                }
            }
        }
    }
    return 0;
}
