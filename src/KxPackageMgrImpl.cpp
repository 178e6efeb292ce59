#include "KxPackageMgrImpl.h"

#include "FilePath.h"
#include "FileSystem.h"
#include "KxModuleMgrImpl.h"
#include "KxPackage.h"
#include "KxResource.h"
#include "Layout.h"
#include "Log.h"
#include "PhaseScope.h"
#include "RecordTexts.h"
#include "ResourceRootSearch.h"
#include "Sys.h"

#include <algorithm>
#include <optional>

namespace VELMORA::NEVRA::Platform {

namespace {

template <typename Container> void EraseAll(Container& ids, std::uint32_t id) {
    ids.erase(std::remove(ids.begin(), ids.end(), id), ids.end());
}

// A path that can name no package library. It must never reach the host: the resource root of
// an empty path or of a folder is a folder relative to somewhere unintended.
bool NamesNoFile(const std::string& dll, const Sys::LibraryFile& file) {
    return dll.empty() || IsSeparator(dll.back()) || file.IsFolder();
}

} // namespace

KxPackageMgrImpl& KxPackageMgrImpl::Instance() {
    static KxPackageMgrImpl instance;
    return instance;
}

KxPackageMgrImpl::KxPackageMgrImpl()
    : resourceArea_(ResourceArea()), moduleManager_(std::make_unique<KxModuleMgrImpl>()) {}

KxPackageMgrImpl::~KxPackageMgrImpl() {
    try {
        std::vector<std::string> post;
        std::vector<std::string> external;
        std::vector<std::string> pre;
        for (const std::uint32_t id : roots_) {
            const auto it = records_.find(id);
            if (it == records_.end()) {
                continue;
            }
            const KxPackageType type = it->second->type;
            auto& queue = type == KxInternalPre ? pre : type == KxExternal ? external : post;
            queue.push_back(it->second->package->Path());
        }
        const std::pair<KxPackageType, const std::vector<std::string>*> order[] = {
            {KxInternalPost, &post}, {KxExternal, &external}, {KxInternalPre, &pre}};
        for (const auto& [type, queue] : order) {
            currentType_ = type;
            for (const auto& path : *queue) {
                Unregister(path, type);
            }
        }
    } catch (...) {
        // Unloading goes on whatever a package did.
    }
    // Members go in reverse order of declaration. Records are released one at a time, so a
    // package whose Exit calls back into the manager finds consistent tables.
    packages_.clear();
    try {
        while (!records_.empty()) {
            const std::uint32_t id = records_.begin()->first;
            const std::unique_ptr<PackageRecord> record = TakeRecord(id);
            Forget(id);
            record->package.reset();
        }
    } catch (...) {
        // What is left goes with the members below, in one piece.
    }
    roots_.clear();
    rootPositions_.clear();
    resources_.clear();
    moduleManager_.reset();
}

std::int32_t KxPackageMgrImpl::Reg(const char* dll, const char* resourceDir) {
    return RegEx(dll, resourceDir, currentType_);
}

void KxPackageMgrImpl::UnReg(const char* dll) {
    UnRegEx(dll, currentType_);
}

std::shared_ptr<KxResource> KxPackageMgrImpl::AcquireResource(const std::string& root) {
    std::shared_ptr<KxResource> resource;
    std::shared_ptr<KxResource> loaded;
    {
        const PhaseScope guard(
            [&] {
                const auto it = resources_.find(root);
                resource = it != resources_.end() ? it->second.lock() : nullptr;
                if (!resource) {
                    resource = std::make_shared<KxResource>(root);
                }
                resources_[root] = resource;
            },
            [&] {
                const auto it = resources_.find(root);
                if (it != resources_.end() && it->second.expired()) {
                    resources_.erase(it);
                }
            });
        if (resource->Load() == 0) {
            loaded = resource;
        }
        // A resource that failed to load must be gone before the guard tidies the table.
        resource.reset();
    }
    return loaded;
}

std::int32_t KxPackageMgrImpl::RegEx(const char* dll, const char* resourceDir, KxPackageType type) {
    if (dll == nullptr) {
        return -1;
    }
    try {
        return Register(dll, resourceDir, type);
    } catch (const std::exception& error) {
        // A file or folder of the package's resource root that could not be read or written:
        // its own text names it and the system's reason.
        KX_LOG_ERROR(RecordText::CannotRegister + std::string(dll) + ": " + error.what());
        return -1;
    } catch (...) {
        return -1;
    }
}

std::int32_t KxPackageMgrImpl::Register(const std::string& dll, const char* resourceDir,
                                        KxPackageType type) {
    // The one look at the file that the folder check, the check for a library loaded already
    // and the load share; it is closed before the package's code runs.
    std::optional<Sys::LibraryFile> file;
    file.emplace(dll);
    if (NamesNoFile(dll, *file)) {
        KX_LOG_FATAL(RecordText::NamesNoFilePath.data() + dll);
        return -1;
    }
    // A package that registers itself, directly or through others, before its Init has
    // returned would recurse without end (a module list that names the platform, for one).
    const FilePath parsed(dll);
    const PackageKey registering(parsed.Str(), type);
    if (std::any_of(registering_.begin(), registering_.end(),
                    [&registering](const PackageKey* key) { return *key == registering; })) {
        KX_LOG_FATAL(RecordText::BeingRegisteredPath.data() + dll);
        return -1;
    }
    const PhaseScope inProgress([&] { registering_.push_back(&registering); },
                                [this] { registering_.pop_back(); });

    const std::string resourceRoot = ResolveResourceRoot(parsed, resourceDir, resourceArea_);
    std::shared_ptr<KxResource> resource = AcquireResource(resourceRoot);
    if (!resource) {
        return -1;
    }
    currentType_ = type;

    const PhaseScope mark(
        [this] { regMarks_.push_back(static_cast<int>(pendingChildren_.size())); },
        [this] { regMarks_.pop_back(); });

    const PackageKeyLess::View key(dll, type);
    std::shared_ptr<KxPackage> package;
    if (const auto it = packages_.find(key); it != packages_.end()) {
        package = it->second.lock();
    }
    if (!package) {
        try {
            package = std::make_shared<KxPackage>(dll, parsed, type, this, moduleManager_.get(),
                                                  resource, std::move(*file));
        } catch (const std::exception&) {
            return -1;
        }
    }
    file.reset();
    resource.reset();

    if (package->Init() != 0) {
        package.reset(); // a package made here is shut down and unloaded now
        return -1;
    }

    const auto first = pendingChildren_.begin() + regMarks_.back();
    std::vector<std::uint32_t> children;
    // A child unregistered again before this Init returned is not attached.
    std::copy_if(first, pendingChildren_.end(), std::back_inserter(children),
                 [this](std::uint32_t child) { return records_.count(child) != 0; });
    pendingChildren_.erase(first, pendingChildren_.end());

    const std::uint32_t id = package->Id();
    if (records_.count(id) == 0) {
        AddRecord(id, std::make_unique<PackageRecord>(
                          PackageRecord{type, package, children, resourceRoot}));
    }
    if (const auto it = packages_.find(key); it != packages_.end()) {
        it->second = package;
    } else {
        packages_.emplace(PackageKey(dll, type), package);
    }
    for (const std::uint32_t child : children) {
        records_.at(child)->package->SetOwnerId(id);
    }
    if (regMarks_.size() > 1) {
        pendingChildren_.push_back(id);
    } else {
        AddRoot(id);
    }
    return 0;
}

void KxPackageMgrImpl::AddRoot(std::uint32_t id) {
    rootPositions_[id].push_back(roots_.insert(roots_.end(), id));
}

void KxPackageMgrImpl::AddRecord(std::uint32_t id, std::unique_ptr<PackageRecord> record) {
    recordIds_[PackageKey(record->package->Path(), record->type)].push_back(id);
    for (const std::uint32_t child : record->children) {
        parents_[child].push_back(id);
    }
    records_.emplace(id, std::move(record));
}

std::unique_ptr<KxPackageMgrImpl::PackageRecord> KxPackageMgrImpl::TakeRecord(std::uint32_t id) {
    const auto it = records_.find(id);
    if (it == records_.end()) {
        return nullptr;
    }
    std::unique_ptr<PackageRecord> record = std::move(it->second);
    records_.erase(it);
    if (const auto ids = recordIds_.find(PackageKey(record->package->Path(), record->type));
        ids != recordIds_.end()) {
        EraseAll(ids->second, id);
        if (ids->second.empty()) {
            recordIds_.erase(ids);
        }
    }
    for (const std::uint32_t child : record->children) {
        if (const auto parents = parents_.find(child); parents != parents_.end()) {
            EraseAll(parents->second, id);
            if (parents->second.empty()) {
                parents_.erase(parents);
            }
        }
    }
    return record;
}

std::uint32_t KxPackageMgrImpl::FindRecord(const std::string& path, KxPackageType type) const {
    const auto ids = recordIds_.find(PackageKeyLess::View(path, type));
    if (ids == recordIds_.end()) {
        return 0;
    }
    if (ids->second.size() == 1) {
        return ids->second.front();
    }
    // Never seen in practice, but the choice among several is kept: the first in the scope being
    // unregistered (the roots outside any Exit), then the first in the table.
    const auto isCandidate = [&ids](std::uint32_t id) {
        return std::find(ids->second.begin(), ids->second.end(), id) != ids->second.end();
    };
    if (exitScopes_.empty()) {
        if (const auto it = std::find_if(roots_.begin(), roots_.end(), isCandidate);
            it != roots_.end()) {
            return *it;
        }
    } else {
        const auto& scope = exitScopes_.back();
        if (const auto it = std::find_if(scope.begin(), scope.end(), isCandidate);
            it != scope.end()) {
            return *it;
        }
    }
    for (const auto& entry : records_) {
        if (isCandidate(entry.first)) {
            return entry.first;
        }
    }
    return 0;
}

void KxPackageMgrImpl::UnRegEx(const char* dll, KxPackageType type) {
    if (dll == nullptr) {
        return;
    }
    // A copy: the text may belong to the package that goes now.
    Unregister(std::string(dll), type);
}

void KxPackageMgrImpl::Unregister(const std::string& path, KxPackageType type) {
    const std::uint32_t id = FindRecord(path, type);
    if (id == 0) {
        return;
    }

    // Out of the tables before Exit runs: the id goes back to the allocator with it, and a
    // package registered later under the same id must not be found where this one was.
    const std::unique_ptr<PackageRecord> record = TakeRecord(id);
    const PhaseScope exitScope([&] { exitScopes_.push_back(record->children); },
                               [this, id] {
                                   exitScopes_.pop_back();
                                   if (!exitScopes_.empty()) {
                                       EraseAll(exitScopes_.back(), id);
                                   }
                               });
    Forget(id);
    record->package.reset(); // the last reference: the package's Exit runs now

    if (const auto it = packages_.find(PackageKeyLess::View(path, type));
        it != packages_.end() && it->second.expired()) {
        packages_.erase(it);
    }
    // Only this package's resource can have gone with it; others that went during its Exit were
    // tidied by their own unregistration, and an entry left expired elsewhere is never handed out.
    if (const auto it = resources_.find(record->resourceRoot);
        it != resources_.end() && it->second.expired()) {
        resources_.erase(it);
    }
}

void KxPackageMgrImpl::Forget(std::uint32_t id) {
    if (const auto positions = rootPositions_.find(id); positions != rootPositions_.end()) {
        for (const auto position : positions->second) {
            roots_.erase(position);
        }
        rootPositions_.erase(positions);
    }
    if (const auto parents = parents_.find(id); parents != parents_.end()) {
        for (const std::uint32_t parent : parents->second) {
            if (const auto it = records_.find(parent); it != records_.end()) {
                EraseAll(it->second->children, id);
            }
        }
        parents_.erase(parents);
    }
    for (auto& scope : exitScopes_) {
        EraseAll(scope, id);
    }
    // The marks count the pending children below each registration in progress.
    for (std::size_t index = pendingChildren_.size(); index-- > 0;) {
        if (pendingChildren_[index] == id) {
            pendingChildren_.erase(pendingChildren_.begin() + static_cast<std::ptrdiff_t>(index));
            for (int& mark : regMarks_) {
                if (mark > static_cast<int>(index)) {
                    --mark;
                }
            }
        }
    }
}

void KxPackageMgrImpl::UnregisterLogged(std::uint32_t id) {
    const auto it = records_.find(id);
    if (it == records_.end()) {
        return;
    }
    const std::string path = it->second->package->Path();
    const KxPackageType type = it->second->type;
    const PhaseScope scope([] { KX_LOG_INFO(RecordText::UnregisterBegin); },
                           [] { KX_LOG_INFO(RecordText::UnregisterEnd); });
    KX_LOG_INFO(path);
    Unregister(path, type);
}

void KxPackageMgrImpl::Clear() {
    std::vector<std::uint32_t> queue(roots_.begin(), roots_.end());
    while (!queue.empty()) {
        const std::uint32_t id = queue.back();
        queue.pop_back();
        UnregisterLogged(id);
    }
    std::vector<std::uint32_t> remaining;
    remaining.reserve(records_.size());
    for (const auto& entry : records_) {
        remaining.push_back(entry.first);
    }
    for (auto it = remaining.rbegin(); it != remaining.rend(); ++it) {
        UnregisterLogged(*it);
    }
    while (!records_.empty()) {
        const std::uint32_t id = records_.begin()->first;
        const std::unique_ptr<PackageRecord> record = TakeRecord(id);
        Forget(id);
        record->package.reset();
    }
}

std::vector<KxPackageMgrImpl::ListEntry> KxPackageMgrImpl::List() const {
    std::vector<ListEntry> result;
    std::deque<std::uint32_t> queue;
    for (const std::uint32_t id : roots_) {
        const auto it = records_.find(id);
        if (it != records_.end() && it->second->type == KxExternal) {
            queue.push_back(id);
        }
    }
    while (!queue.empty()) {
        const std::uint32_t id = queue.front();
        queue.pop_front();
        const auto it = records_.find(id);
        if (it == records_.end()) {
            continue;
        }
        const KxPackage& package = *it->second->package;
        result.push_back({package.Path(), package.Id(), package.OwnerId()});
        queue.insert(queue.end(), it->second->children.begin(), it->second->children.end());
    }
    return result;
}

std::vector<std::string> KxPackageMgrImpl::ResourceRoots() const {
    std::vector<std::string> roots;
    for (const auto& entry : resources_) {
        const auto resource = entry.second.lock();
        if (!resource) {
            continue;
        }
        std::string root = resource->Root();
        if (!root.empty() && PathExists(root) && IsDirectory(root)) {
            roots.push_back(std::move(root));
        }
    }
    return roots;
}

} // namespace VELMORA::NEVRA::Platform
