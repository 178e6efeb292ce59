// The Windows loader's behaviour on top of the Linux dynamic loader: a library's dependencies are
// found in the library's own directory, in the added DLL search directories and in the
// search-path variable as the process has it now, without an rpath; a bare name is looked for in
// that variable first; a failed load reports an error code along with what went wrong.
#pragma once

#include "EnvironmentStorePosix.h"
#include "LoadedLibrariesPosix.h"
#include "Sys.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace VELMORA::NEVRA::Platform::Sys {

class LibraryLoader final {
public:
    // The search-path variable's directories as they stand at the moment of asking.
    using SearchPathSource = SharedDirectories (*)();

    explicit LibraryLoader(SearchPathSource searchPath) : searchPath_(searchPath) {}
    LibraryLoader(const LibraryLoader&) = delete;
    LibraryLoader& operator=(const LibraryLoader&) = delete;

    // As Sys::LoadLibrary, Sys::FindLoadedModule, Sys::AddDllDirectory, Sys::RemoveDllDirectory.
    ModuleHandle Load(const std::string& path, LoadFailure* failure);
    ModuleHandle FindLoaded(const std::string& path);
    // The same, with what a look at the file found: no second open or identity check.
    ModuleHandle Load(const LibraryFile& file, LoadFailure* failure);
    ModuleHandle FindLoaded(const LibraryFile& file);
    DirectoryCookie AddDirectory(const std::string& directory);
    bool RemoveDirectory(DirectoryCookie cookie);
    // As Sys::GetSymbol: dlsym also searches the module's dependencies; the Windows loader, whose
    // behaviour packages are written for, looks at the module's own exports only.
    static void* Symbol(ModuleHandle module, const char* name);
    // As Sys::IsLoadedAs.
    static bool IsLoadedAs(ModuleHandle module, const LibraryFile& file);

private:
    struct AddedDirectory {
        std::uintptr_t cookie;
        std::string path;
    };

    // Loads `file`, the file found for the name asked for (`found`: empty when only the system
    // can find it), reading its dependencies from `opened` when that holds it open.
    ModuleHandle LoadFile(const std::string& file, bool found, const LibraryFile* opened,
                          LoadFailure* failure);
    // Where the dependencies of `path` are looked for by the layer itself, in order.
    std::vector<std::string> DependencyDirectories(const std::string& path);
    // The file a library name stands for: a path with a folder is itself; a bare name is looked
    // for in the search-path variable as it stands now. Empty when only the system can tell.
    std::string FileNamed(const std::string& path) const;

    SearchPathSource searchPath_;
    LoadedLibraries loaded_;
    // Process-wide like the system lists they stand in for: other threads of the host may load
    // libraries through the layer while the platform adds or removes a directory.
    std::mutex mutex_;
    std::vector<AddedDirectory> added_;
    std::uintptr_t nextCookie_ = 1;
};

} // namespace VELMORA::NEVRA::Platform::Sys
