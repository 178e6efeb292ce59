#include "LibraryLoaderPosix.h"

#include "DependencySearchOrder.h"
#include "ElfImage.h"
#include "ErrnoKeeperPosix.h"
#include "FileDescriptorPosix.h"
#include "LoaderText.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <utility>

namespace VELMORA::NEVRA::Platform::Sys {

namespace {

// What a read of a library is for: its identity lies in the first bytes; what names its
// dependencies (program headers, dynamic segment, string table) lies near the start of any
// ordinary library, but may lie anywhere in it, past megabytes of code.
enum class ElfPart { Identity, Dependencies };

// A prefix that holds all a small library's dependency data, read at once; the whole file is
// read only when something lies beyond it. No library this layer preloads comes near the cap;
// it only bounds what a huge or endless file costs.
constexpr std::size_t elfIdentityBytes = ElfImage::identityBytes;
constexpr std::size_t elfPrefixBytes = std::size_t{64} << 10;
constexpr std::size_t elfWholeFileCap = std::size_t{256} << 20;

// Fills `size` bytes at `bytes` from the start of the file, as far as the file goes; on a read
// error, with what was read before it. Returns how many were filled.
std::size_t ReadPrefix(int fd, unsigned char* bytes, std::size_t size) {
    std::size_t filled = 0;
    while (filled < size) {
        const ssize_t got = ::pread(fd, bytes + filled, size - filled, static_cast<off_t>(filled));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break; // a file cut short while it was read: what was read is what there is
        }
        filled += static_cast<std::size_t>(got);
    }
    return filled;
}

// The part of a regular file that ElfImage needs, read into memory: one read of a bounded
// prefix, and the whole file (up to the cap) only where the prefix leaves the image damaged and
// the file goes on. Anything that is not a regular file, or cannot be read, yields no bytes,
// which reads as "not an ELF file". O_NONBLOCK keeps a FIFO from blocking the open.
// The same from a regular file open at `fd`, of `size` bytes.
ElfImage ReadOpenElfImage(int fd, std::uint64_t size, ElfPart part) {
    const std::size_t prefix = part == ElfPart::Identity ? elfIdentityBytes : elfPrefixBytes;
    // Not value-initialised: zeroing a buffer the read overwrites cost more than the read.
    const std::size_t wanted = std::min<std::uint64_t>(size, prefix);
    const std::unique_ptr<unsigned char[]> bytes(new unsigned char[wanted]);
    const std::size_t filled = ReadPrefix(fd, bytes.get(), wanted);
    ElfImage image(bytes.get(), filled);
    if (part == ElfPart::Dependencies && !image.Damage().empty() && size > filled &&
        filled == prefix) {
        std::vector<unsigned char> whole(std::min<std::uint64_t>(size, elfWholeFileCap));
        whole.resize(ReadPrefix(fd, whole.data(), whole.size()));
        image = ElfImage(whole.data(), whole.size());
    }
    return image;
}

// A FIFO or device opened here neither blocks nor becomes the controlling terminal.
constexpr int lookFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;

// The image of a library from the start that the look at it read. A start shorter than asked
// for is taken for the whole file as long as everything the image declares lies within it; a
// file cut short, a read cut short and a start that does not hold all are settled by the file's
// size, asked for only then.
ElfImage ReadLookedAtImage(const LibraryFile& file, std::uint64_t& size) {
    size = file.StartSize();
    ElfImage image(file.Start(), file.StartSize());
    if (image.Damage().empty() && (!image.HasIdentity() || image.SegmentsFit(size))) {
        return image;
    }
    struct stat status {};
    if (::fstat(file.Descriptor(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return image;
    }
    size = static_cast<std::uint64_t>(status.st_size);
    if (!image.Damage().empty() && size > file.StartSize()) {
        return ReadOpenElfImage(file.Descriptor(), size, ElfPart::Dependencies);
    }
    return image;
}

ElfImage ReadElfImage(const std::string& path, ElfPart part, std::uint64_t* fileSize = nullptr) {
    const FileDescriptor fd(::open(path.c_str(), lookFlags));
    struct stat status {};
    if (!fd.Valid() || ::fstat(fd.Get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return ElfImage(nullptr, 0);
    }
    const auto size = static_cast<std::uint64_t>(status.st_size);
    if (fileSize != nullptr) {
        *fileSize = size;
    }
    return ReadOpenElfImage(fd.Get(), size, part);
}

// Whether the process could load the file at all: same class, byte order and machine as the
// module that holds this code, read from its ELF header in memory.
bool MatchesProcess(const ElfImage& image) {
    static const ElfImage own = [] {
        Dl_info info{};
        if (::dladdr(reinterpret_cast<void*>(&MatchesProcess), &info) != 0 &&
            info.dli_fbase != nullptr) {
            return ElfImage(static_cast<const unsigned char*>(info.dli_fbase), elfIdentityBytes);
        }
        return ElfImage(nullptr, 0);
    }();
    return image.FitFor(own) == ElfImage::Fit::Loadable;
}

std::string TakeDlError() {
    const char* text = ::dlerror();
    return text != nullptr ? std::string(text) : std::string("unknown dynamic loader error");
}

bool IsLoaded(const std::string& name) {
    void* handle = ::dlopen(name.c_str(), RTLD_NOLOAD | RTLD_LAZY);
    if (handle == nullptr) {
        ::dlerror();
        return false;
    }
    ::dlclose(handle);
    return true;
}

bool IsBareName(const std::string& path) {
    return path.find('/') == std::string::npos;
}

// The first of `directories` that holds a library `name` this process can load; empty if none.
// The dynamic loader skips files of the wrong class or machine in its search directories, and so
// does this search.
std::string LocateLibrary(const std::string& name, const std::vector<std::string>& directories) {
    for (const std::string& directory : directories) {
        std::string candidate = directory;
        if (!candidate.empty() && candidate.back() != '/') {
            candidate += '/';
        }
        candidate += name;
        struct stat status {};
        if (::stat(candidate.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
            MatchesProcess(ReadElfImage(candidate, ElfPart::Identity))) {
            return candidate;
        }
    }
    return std::string();
}

// Loads the dependencies of one library that the dynamic loader would not find on its own, and
// holds them until the library itself is loaded (or has failed to load).
//
// The dynamic loader satisfies a DT_NEEDED entry with a library already loaded whose SONAME
// matches the name, wherever that library came from. So loading a dependency by its full path
// first makes the later load of the library succeed without an rpath. This relies on the
// dependency's SONAME being its file name, the usual case (and what a library built without a
// version gets). The dependencies are loaded RTLD_LOCAL: the name match does not need them in
// the global scope, and keeping them out of it leaves every library's symbols its own, as the
// Windows loader does.
class DependencyPreloader final {
public:
    // The directories are asked for only when a needed library is not loaded yet: most
    // packages need nothing the process does not already hold, and the search-path variable
    // grows with every package imported.
    explicit DependencyPreloader(std::function<std::vector<std::string>()> directories)
        : directoriesSource_(std::move(directories)) {}
    ~DependencyPreloader() { Release(); }
    DependencyPreloader(DependencyPreloader&&) = delete;
    DependencyPreloader& operator=(DependencyPreloader&&) = delete;
    DependencyPreloader(const DependencyPreloader&) = delete;
    DependencyPreloader& operator=(const DependencyPreloader&) = delete;

    // Loads what `path` needs, dependencies of dependencies first, reading the library itself
    // from `opened` when that holds it open. On a failure what went wrong lands in `failure`
    // and false comes back.
    bool Preload(const std::string& path, const LibraryFile* opened, LoadFailure& failure) {
        opened_ = opened;
        return PreloadFor(path, failure, 0);
    }

    // Drops the references taken here; whatever a loaded library needs stays loaded through it.
    void Release() {
        ErrnoKeeper keep;
        for (auto handle = handles_.rbegin(); handle != handles_.rend(); ++handle) {
            ::dlclose(*handle);
        }
        handles_.clear();
    }

private:
    bool PreloadFor(const std::string& path, LoadFailure& failure, int depth) {
        if (depth > maxDependencyDepth) {
            return true;
        }
        std::uint64_t size = 0;
        const ElfImage image = depth == 0 && opened_ != nullptr
                                   ? ReadLookedAtImage(*opened_, size)
                                   : ReadElfImage(path, ElfPart::Dependencies, &size);
        if (image.HasIdentity() && !image.SegmentsFit(size)) {
            failure.cause = LoadFailure::Cause::FileCutShort;
            failure.subject = path;
            return false;
        }
        for (const std::string& name : image.NeededNames()) {
            if (!IsBareName(name) || !seen_.insert(name).second || IsLoaded(name)) {
                continue;
            }
            const std::string found = LocateLibrary(name, Directories());
            if (found.empty()) {
                continue; // left to the dynamic loader's own search
            }
            if (!PreloadFor(found, failure, depth + 1)) {
                return false;
            }
            ::dlerror();
            void* handle = ::dlopen(found.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (handle == nullptr) {
                failure.loaderText = TakeDlError();
                return false;
            }
            handles_.push_back(handle);
        }
        return true;
    }

    const std::vector<std::string>& Directories() {
        if (directoriesSource_) {
            directories_ = directoriesSource_();
            directoriesSource_ = nullptr;
        }
        return directories_;
    }

    std::function<std::vector<std::string>()> directoriesSource_;
    std::vector<std::string> directories_;
    std::set<std::string> seen_;
    std::vector<void*> handles_;
    const LibraryFile* opened_ = nullptr;
};

// Whether `symbol` lies in `module` itself rather than in one of the libraries it depends on,
// which dlsym searches too. _dl_find_object looks the address up in a sorted table; dladdr walks
// every loaded library, and a package's two entry points are asked for with hundreds loaded.
bool DefinedIn(ModuleHandle module, void* symbol) {
    link_map* own = nullptr;
    if (::dlinfo(module, RTLD_DI_LINKMAP, &own) != 0) {
        ::dlerror();
        return false;
    }
    dl_find_object defining{};
    return ::_dl_find_object(symbol, &defining) == 0 && defining.dlfo_link_map == own;
}

// The buffer of the last look closed, kept for the next one. Looks come one after another, each
// closed before the package's code runs; a block of this size taken from the heap and given back
// for every package made the allocator sweep its small free blocks each time.
std::atomic<unsigned char*> spareStart{nullptr};

struct SpareStartOwner final {
    SpareStartOwner() = default;
    ~SpareStartOwner() { delete[] spareStart.exchange(nullptr); }
    SpareStartOwner(const SpareStartOwner&) = delete;
    SpareStartOwner& operator=(const SpareStartOwner&) = delete;
} spareStartOwner;

std::unique_ptr<unsigned char[]> TakeStartBuffer() {
    if (unsigned char* spare = spareStart.exchange(nullptr)) {
        return std::unique_ptr<unsigned char[]>(spare);
    }
    // Not value-initialised: zeroing a buffer the read overwrites cost more than the read.
    return std::unique_ptr<unsigned char[]>(new unsigned char[elfPrefixBytes]);
}

void GiveBackStartBuffer(std::unique_ptr<unsigned char[]> buffer) {
    delete[] spareStart.exchange(buffer.release());
}

} // namespace

// Opened like the preloader's own reads, so that opening it here is no new exposure; a bare name
// is looked for where the loader looks, never in the current directory, so it is not opened.
// The read that brings the library's start also tells a folder, which cannot be read.
LibraryFile::LibraryFile(const std::string& path) : path_(path) {
    ErrnoKeeper keep;
    if (!IsBareName(path)) {
        FileDescriptor fd(::open(path.c_str(), lookFlags));
        if (fd.Valid()) {
            std::unique_ptr<unsigned char[]> start = TakeStartBuffer();
            ssize_t got = 0;
            do {
                got = ::pread(fd.Get(), start.get(), elfPrefixBytes, 0);
            } while (got < 0 && errno == EINTR);
            if (got >= 0) {
                start_ = std::move(start);
                startSize_ = static_cast<std::size_t>(got);
                descriptor_ = fd.Release();
                return;
            }
            if (errno == EISDIR) {
                folder_ = true;
                return;
            }
            // Anything else that cannot be read (a FIFO) is asked for by name from here on.
        } else if (errno == ENOENT || errno == ENOTDIR) {
            return; // nothing by that name: no folder either
        }
    }
    Attributes attributes;
    folder_ = GetAttributes(path, attributes) && attributes.directory;
}

LibraryFile::~LibraryFile() {
    // Handed to the guard, which closes it and keeps errno.
    const FileDescriptor fd(descriptor_);
    if (start_) {
        GiveBackStartBuffer(std::move(start_));
    }
}

LibraryFile::LibraryFile(LibraryFile&& other) noexcept
    : path_(std::move(other.path_)), folder_(other.folder_),
      descriptor_(std::exchange(other.descriptor_, -1)), start_(std::move(other.start_)),
      startSize_(std::exchange(other.startSize_, 0)) {}

ModuleHandle LibraryLoader::Load(const std::string& path, LoadFailure* failure) {
    const auto fail = [failure](LoadFailure what, int code) -> ModuleHandle {
        if (failure != nullptr) {
            *failure = std::move(what);
        }
        errno = code;
        return nullptr;
    };
    if (path.empty()) {
        // dlopen("") would hand back the main program.
        LoadFailure noPath;
        noPath.cause = LoadFailure::Cause::NoPath;
        return fail(std::move(noPath), EINVAL);
    }
    const std::string found = FileNamed(path);
    if (found.empty()) {
        // A bare name found nowhere is left to the system's own search, which never reads a
        // file of that name from the current directory; neither does this layer.
        return LoadFile(path, false, nullptr, failure);
    }
    const LibraryFile opened(found);
    return LoadFile(found, true, opened.Descriptor() >= 0 ? &opened : nullptr, failure);
}

ModuleHandle LibraryLoader::Load(const LibraryFile& file, LoadFailure* failure) {
    if (file.Descriptor() < 0) {
        return Load(file.Path(), failure);
    }
    return LoadFile(file.Path(), true, &file, failure);
}

ModuleHandle LibraryLoader::LoadFile(const std::string& file, bool found, const LibraryFile* opened,
                                     LoadFailure* failure) {
    const auto fail = [failure](LoadFailure what, int code) -> ModuleHandle {
        if (failure != nullptr) {
            *failure = std::move(what);
        }
        errno = code;
        return nullptr;
    };
    LoadFailure what;
    void* handle = nullptr;
    {
        // Asked for at the first dependency not loaded yet, before the preloader loads any.
        DependencyPreloader preloader([this, &file] { return DependencyDirectories(file); });
        if (!found || preloader.Preload(file, opened, what)) {
            ::dlerror();
            handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (handle == nullptr) {
                what.loaderText = TakeDlError();
            }
        }
    }
    if (handle != nullptr) {
        return handle;
    }
    int code = what.cause == LoadFailure::Cause::FileCutShort
                   ? ENOEXEC
                   : ErrorFromLoaderText(what.loaderText);
    // The dynamic loader passes over a library of another machine as if it were not there and
    // says so ("No such file or directory"); the file is there, it is the wrong kind.
    if (!IsBareName(file)) {
        const ElfImage image = ReadElfImage(file, ElfPart::Identity);
        if (image.HasIdentity() && !MatchesProcess(image)) {
            if (code == ENOENT) {
                what.cause = LoadFailure::Cause::OtherMachine;
            }
            code = ENOEXEC;
        }
    }
    return fail(std::move(what), code);
}

ModuleHandle LibraryLoader::FindLoaded(const LibraryFile& file) {
    if (file.Descriptor() < 0) {
        return FindLoaded(file.Path());
    }
    ErrnoKeeper keep;
    // By name only: the same file under another name is told by the load, which finds it
    // loaded on its own anyway (IsLoadedAs), without asking the system for the file's identity.
    if (!loaded_.HoldsName(file.Path())) {
        return nullptr;
    }
    void* handle = ::dlopen(file.Path().c_str(), RTLD_NOLOAD | RTLD_LAZY);
    if (handle == nullptr) {
        ::dlerror();
        return nullptr;
    }
    // The module stays loaded through whoever loaded it; the handle remains valid meanwhile.
    ::dlclose(handle);
    return handle;
}

ModuleHandle LibraryLoader::FindLoaded(const std::string& path) {
    if (path.empty()) {
        return nullptr;
    }
    ErrnoKeeper keep;
    // The usual answer while packages are imported, "not loaded", without the dynamic loader's
    // walk over everything loaded; the loader is asked only when the library may be loaded.
    if (!IsBareName(path) && !loaded_.MayHold(path)) {
        return nullptr;
    }
    void* handle = ::dlopen(path.c_str(), RTLD_NOLOAD | RTLD_LAZY);
    if (handle == nullptr) {
        ::dlerror();
        // A bare name loaded from where Load found it is known by that path only.
        const std::string found = IsBareName(path) ? FileNamed(path) : std::string();
        if (found.empty() || !loaded_.MayHold(found)) {
            return nullptr;
        }
        handle = ::dlopen(found.c_str(), RTLD_NOLOAD | RTLD_LAZY);
        if (handle == nullptr) {
            ::dlerror();
            return nullptr;
        }
    }
    // The module stays loaded through whoever loaded it; the handle remains valid meanwhile.
    ::dlclose(handle);
    return handle;
}

void* LibraryLoader::Symbol(ModuleHandle module, const char* name) {
    if (module == nullptr || name == nullptr) {
        errno = EINVAL;
        return nullptr;
    }
    ::dlerror();
    void* symbol = ::dlsym(module, name);
    if (symbol == nullptr || !DefinedIn(module, symbol)) {
        ::dlerror();
        errno = ENOENT;
        return nullptr;
    }
    return symbol;
}

bool LibraryLoader::IsLoadedAs(ModuleHandle module, const LibraryFile& file) {
    if (module == nullptr || file.Descriptor() < 0) {
        return true; // asked for by name, and found loaded by any name before the load
    }
    // The dynamic loader hands back a library it holds under another name when the file is the
    // same; a library it loaded now carries the name it was asked for.
    link_map* map = nullptr;
    if (::dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || map->l_name == nullptr) {
        ::dlerror();
        return true;
    }
    return file.Path() == map->l_name;
}

DirectoryCookie LibraryLoader::AddDirectory(const std::string& directory) {
    // Like the Windows call, only absolute directories are taken.
    if (directory.empty() || directory.front() != '/') {
        errno = EINVAL;
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    const std::uintptr_t cookie = nextCookie_++;
    added_.push_back({cookie, directory});
    return reinterpret_cast<DirectoryCookie>(cookie);
}

bool LibraryLoader::RemoveDirectory(DirectoryCookie cookie) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto value = reinterpret_cast<std::uintptr_t>(cookie);
    const auto found =
        std::find_if(added_.begin(), added_.end(), [value](const AddedDirectory& directory) {
            return directory.cookie == value;
        });
    if (found == added_.end()) {
        errno = EINVAL;
        return false;
    }
    added_.erase(found);
    return true;
}

std::vector<std::string> LibraryLoader::DependencyDirectories(const std::string& path) {
    DependencySources sources;
    sources.library = path;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const AddedDirectory& directory : added_) {
            sources.added.push_back(directory.path);
        }
    }
    sources.searchPath = *searchPath_();
    // The run path and the system's directories are the dynamic loader's own search, which
    // follows the same order for whatever the layer does not find first.
    return DependencySearchOrder(sources);
}

std::string LibraryLoader::FileNamed(const std::string& path) const {
    return IsBareName(path) ? LocateLibrary(path, *searchPath_()) : path;
}

} // namespace VELMORA::NEVRA::Platform::Sys
