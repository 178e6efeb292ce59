#include "KxPackage.h"
#include "HostLibraryNames.h"
#include "PackageEntryNames.h"

#include "FilePath.h"
#include "FileSystem.h"
#include "KxResource.h"
#include "ListedPackages.h"
#include "LoadFailureText.h"
#include "Log.h"
#include "PhaseScope.h"
#include "RecordTexts.h"
#include "ResourceKind.h"
#include "Sys.h"

#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

namespace VELMORA::NEVRA::Platform {

namespace {

// The ids in use are marked; released ids wait in a heap with the largest on top, which is handed
// out again first; 0 is never handed out. Vectors rather than a tree of ids: once grown, taking
// an id and giving it back allocates nothing, and giving one back cannot fail, as a destructor
// needs. Built while the library loads, so it outlives the package manager, which is built on
// first use and releases its packages when it goes.
struct PackageIds {
    std::vector<bool> inUse{true};
    std::vector<std::uint32_t> released;
} packageIds;

[[noreturn]] void FailImport(const std::string& message) {
    KX_LOG_FATAL(message);
    throw std::runtime_error(message);
}

using ProfileLoader = int (*)(const char*);

// A library's dependencies are looked for in its own folder first.
std::string LibraryFolder(const FilePath& dll) {
    return dll.ParentStr();
}

std::int32_t PrependFolders(const std::vector<std::string>& directories) {
    if (!Sys::PrependSearchPath(directories)) {
        KX_LOG_FATAL(RecordText::SearchPathFailed);
        return -1;
    }
    return 0;
}

} // namespace

std::uint32_t AllocatePackageId() {
    auto& ids = packageIds;
    if (!ids.released.empty()) {
        std::pop_heap(ids.released.begin(), ids.released.end());
        const std::uint32_t id = ids.released.back();
        ids.released.pop_back();
        ids.inUse[id] = true;
        return id;
    }
    // Room for every id to come back, made while failing is still allowed.
    ids.released.reserve(ids.inUse.size());
    const auto id = static_cast<std::uint32_t>(ids.inUse.size());
    ids.inUse.push_back(true);
    return id;
}

void ReleasePackageId(std::uint32_t id) {
    auto& ids = packageIds;
    if (id == 0 || id >= ids.inUse.size() || !ids.inUse[id]) {
        return;
    }
    ids.inUse[id] = false;
    ids.released.push_back(id);
    std::push_heap(ids.released.begin(), ids.released.end());
}

std::int32_t AddPathEnvironment(const std::vector<std::string>& dlls) {
    std::vector<std::string> directories;
    directories.reserve(dlls.size());
    for (const auto& dll : dlls) {
        directories.push_back(LibraryFolder(FilePath(dll)));
    }
    return PrependFolders(directories);
}

std::int32_t AddPathEnvironment(const FilePath& dll) {
    std::vector<std::string> folder;
    folder.push_back(LibraryFolder(dll));
    return PrependFolders(folder);
}

KxPackage::KxPackage(std::string path, KxPackageType type, KxPackageMgr* packageManager,
                     KxModuleMgr* moduleManager, std::shared_ptr<KxResource> resource)
    : KxPackage(path, FilePath(path), type, packageManager, moduleManager, std::move(resource),
                Sys::LibraryFile(path)) {}

KxPackage::KxPackage(std::string path, const FilePath& parsed, KxPackageType type,
                     KxPackageMgr* packageManager, KxModuleMgr* moduleManager,
                     std::shared_ptr<KxResource> resource, Sys::LibraryFile&& file)
    : id_(AllocatePackageId()), path_(std::move(path)), type_(type),
      packageManager_(packageManager), moduleManager_(moduleManager),
      resource_(std::move(resource)) {
    ownerId_ = id_;
    try {
        const PhaseScope scope([] { KX_LOG_INFO(RecordText::ImportBegin); },
                               [] { KX_LOG_INFO(RecordText::ImportEnd); });
        KX_LOG_INFO(path_);
        const Sys::LibraryFile look(std::move(file));
        Import(parsed, look);
    } catch (const std::exception& error) {
        KX_LOG_ERROR(RecordText::ImportFailed + path_);
        // A library whose entry points were missing stays loaded, as it would on the system the
        // product comes from; a later registration of the same file reports it as loaded.
        const std::string text = error.what();
        ReleasePackageId(id_);
        throw std::runtime_error(text);
    }
}

void KxPackage::Import(const FilePath& path, const Sys::LibraryFile& file) {
    if (IsModuleFile(path)) {
        if (type_ == KxInternalPre) {
            initRoutine_ = &RegisterListedModules;
            exitRoutine_ = &UnregisterListedModules;
            listFile_ = PreLoadListPath();
        } else if (type_ == KxInternalPost) {
            initRoutine_ = &RegisterListedModules;
            exitRoutine_ = &UnregisterListedModules;
            listFile_ = PostLoadListPath();
        }
        return;
    }

    if (Sys::FindLoadedModule(file) != nullptr) {
        FailImport(RecordText::AlreadyLoadedPath.data() + path_);
    }
    if (AddPathEnvironment(path) != 0) {
        FailImport(RecordText::ImportPathFailed);
    }
    Sys::SetLastError(0);
    Sys::LoadFailure failure;
    module_ = Sys::LoadLibrary(file, &failure);
    if (module_ == nullptr && Sys::LastError() != 0) {
        const Sys::ErrorCode error = Sys::LastError();
        const std::string loaderText = LoadFailureText(failure);
        std::string message = RecordText::UnknownDependencePath.data() + path_ +
                              RecordText::DependenceError + std::to_string(error) +
                              RecordText::SystemErrorEnd;
        if (!loaderText.empty()) {
            message += RecordText::LoaderTextSeparator + loaderText;
        }
        FailImport(message);
    }
    if (!Sys::IsLoadedAs(module_, file)) {
        // The same file loaded before under another name (a link to it): the loader handed back
        // that module, whose package must not be initialised a second time.
        Sys::FreeLibrary(module_);
        module_ = nullptr;
        FailImport(RecordText::AlreadyLoadedPath.data() + path_);
    }
    const std::string stem = path.Stem();
    initFn_ =
        reinterpret_cast<EntryPoint>(Sys::GetSymbol(module_, PackageEntry::InitName(stem).c_str()));
    exitFn_ =
        reinterpret_cast<EntryPoint>(Sys::GetSymbol(module_, PackageEntry::ExitName(stem).c_str()));
    if (initFn_ == nullptr || exitFn_ == nullptr) {
        FailImport(RecordText::NoEntryPointsPath.data() + path_);
    }
}

KxPackage::~KxPackage() {
    try {
        CallEntry(exitFn_, exitRoutine_, PackageEntry::Exit);
    } catch (...) {
        // The platform's own routines and the profile hook: unloading goes on regardless.
    }
    if (module_ != nullptr) {
        Sys::FreeLibrary(module_);
        module_ = nullptr;
    }
    resource_.reset();
    path_.clear();
    ReleasePackageId(id_);
}

std::int32_t KxPackage::Init() {
    if (!initCalled_) {
        initCalled_ = true;
        initResult_ = CallEntry(initFn_, initRoutine_, PackageEntry::Init);
    }
    KX_LOG_INFO(RecordText::InitCalled + std::to_string(initCalled_ ? 1 : 0) +
                RecordText::InitReturned + std::to_string(initResult_));
    return initResult_;
}

std::int32_t KxPackage::CallEntry(EntryPoint entry, ListRoutine routine, const char* name) {
    std::int32_t result = -1;
    if (entry != nullptr) {
        // A package's entry point may throw anything; that is its failure, never the host's.
        try {
            result = entry(packageManager_, moduleManager_);
        } catch (const std::exception& error) {
            KX_LOG_ERROR(RecordText::EntryFailedPrefix + std::string(name) +
                         RecordText::EntryFailedSuffix + path_ + ": " + error.what());
            return -1;
        } catch (...) {
            KX_LOG_ERROR(RecordText::EntryFailedPrefix + std::string(name) +
                         RecordText::EntryFailedSuffix + path_);
            return -1;
        }
    } else if (routine != nullptr) {
        result = routine(packageManager_, listFile_);
    } else {
        return -1;
    }
    if (result == 0) {
        RunBrowserProfileHook();
    }
    return result;
}

void KxPackage::RunBrowserProfileHook() const {
    // Without a resource root there is no profile: the relative path it would give names a file
    // in whatever directory the host happens to be in.
    const std::string root = resource_ ? resource_->Root() : std::string();
    if (root.empty()) {
        return;
    }
    const std::string profile = ResourceDir(root, ResourceKind::BrowserProfile);
    if (!PathExists(profile)) {
        return;
    }
    void* gui =
        Sys::FindLoadedModule(ModuleDirectory() + HostLibraryName::File(HostLibraryName::Gui));
    if (gui == nullptr) {
        return;
    }
    if (auto load =
            reinterpret_cast<ProfileLoader>(Sys::GetSymbol(gui, "KxLoadSimBrowserProfile"))) {
        load(profile.c_str());
    }
}

} // namespace VELMORA::NEVRA::Platform
