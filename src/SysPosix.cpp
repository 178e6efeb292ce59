// The operating-system layer on Linux (glibc). Besides the plain file and environment calls it
// emulates what the Windows loader gives for free: a library's dependencies are found in the
// library's own directory and in the added DLL search directories, without an rpath.
#include "Sys.h"

#include "ElfImage.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

namespace VELMORA::NEVRA::Platform::Sys {

namespace {

// Keeps errno across calls whose own failure must not replace the error the caller reports.
class ErrnoKeeper final {
public:
    ErrnoKeeper() : saved_(errno) {}
    ~ErrnoKeeper() { errno = saved_; }
    ErrnoKeeper(const ErrnoKeeper&) = delete;
    ErrnoKeeper& operator=(const ErrnoKeeper&) = delete;

private:
    int saved_;
};

// Closes a file descriptor on every path out of a scope.
class FileDescriptor final {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ErrnoKeeper keep;
            ::close(fd_);
        }
    }
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&&) = delete;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }

private:
    int fd_;
};

std::string DirectoryPart(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return std::string();
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string JoinPath(const std::string& directory, const std::string& name) {
    if (directory.empty() || directory.back() == '/') {
        return directory + name;
    }
    return directory + '/' + name;
}

std::string CurrentDirectory() {
    std::vector<char> buffer(PATH_MAX);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) {
            return std::string();
        }
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

// The entry a path names: without trailing separators, which would make the system follow a
// final link ("a/" of a link to a directory is the directory). The root keeps its one separator.
std::string EntryName(const std::string& path, bool& hadSeparator) {
    std::size_t end = path.size();
    while (end > 1 && path[end - 1] == '/') {
        --end;
    }
    hadSeparator = end < path.size();
    return path.substr(0, end);
}

std::string EntryName(const std::string& path) {
    bool hadSeparator = false;
    return EntryName(path, hadSeparator);
}

// Opens a file for reading only when it is a regular one, checked before the open (so that no
// device is ever opened) and again on the open descriptor (so that a swap in between is caught).
// O_NONBLOCK: even a FIFO slipped in between cannot make the open wait for a writer.
FileDescriptor OpenRegularFile(const std::string& path, struct stat& status) {
    if (::stat(path.c_str(), &status) != 0) {
        return FileDescriptor(-1);
    }
    if (!S_ISREG(status.st_mode)) {
        errno = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
        return FileDescriptor(-1);
    }
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file.Valid()) {
        return file;
    }
    if (::fstat(file.Get(), &status) != 0) {
        return FileDescriptor(-1);
    }
    if (!S_ISREG(status.st_mode)) {
        errno = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
        return FileDescriptor(-1);
    }
    return file;
}

// Reads what is left of a regular file; false with errno set on failure.
template <typename Sink> bool ReadAll(int fd, Sink sink) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            return true;
        }
        if (!sink(buffer.data(), static_cast<std::size_t>(got))) {
            return false;
        }
    }
}

// strerror_r has two signatures in glibc, depending on the feature macros; both are served.
[[maybe_unused]] const char* StrErrorResult(int result, const char* buffer) {
    return result == 0 ? buffer : nullptr;
}
[[maybe_unused]] const char* StrErrorResult(const char* result, const char*) {
    return result;
}

// ---------------------------------------------------------------------------------------------
// Directory search

void FillEntry(const dirent& entry, FindEntry& out) {
    out = FindEntry();
    out.name = entry.d_name;
    switch (entry.d_type) {
    case DT_REG:
        out.kindKnown = true;
        out.regular = true;
        break;
    case DT_DIR:
        out.kindKnown = true;
        out.directory = true;
        break;
    case DT_FIFO:
    case DT_SOCK:
    case DT_CHR:
    case DT_BLK:
        // Neither a file nor a directory, and never opened.
        out.kindKnown = true;
        break;
    case DT_LNK:
        // What the link resolves to is only known by following it.
        out.link = true;
        break;
    default:
        // DT_UNKNOWN: file systems that do not fill d_type.
        break;
    }
}

// Reads the next entry; at the end errno is 0, so a caller can tell the end from a failure.
bool ReadEntry(DIR* directory, FindEntry& out) {
    errno = 0;
    const dirent* entry = ::readdir(directory);
    if (entry == nullptr) {
        return false;
    }
    FillEntry(*entry, out);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Sleep

void RealSleep(unsigned milliseconds) {
    ErrnoKeeper keep;
    timespec remaining{static_cast<time_t>(milliseconds / 1000),
                       static_cast<long>(milliseconds % 1000) * 1000000L};
    while (::nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

std::atomic<SleepFunction> sleepFunction{&RealSleep};

// ---------------------------------------------------------------------------------------------
// ELF files

// A library's header and program headers lie at its start; what names its dependencies may lie
// anywhere in it, past megabytes of code. No library this layer preloads comes near the cap; it
// only bounds what a huge or endless file costs.
constexpr std::size_t elfHeaderBytes = ElfImage::identityBytes;
constexpr std::size_t elfWholeFileCap = std::size_t{256} << 20;

// The first `limit` bytes of a regular file (the whole file when it is shorter), read into
// memory for ElfImage. Anything that is not a regular file, or cannot be read, yields no bytes,
// which reads as "not an ELF file". O_NONBLOCK keeps a FIFO from blocking the open.
ElfImage ReadElfImage(const std::string& path, std::size_t limit) {
    std::vector<unsigned char> bytes;
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat status {};
    if (fd.Valid() && ::fstat(fd.Get(), &status) == 0 && S_ISREG(status.st_mode)) {
        bytes.resize(std::min(static_cast<std::uint64_t>(status.st_size),
                              static_cast<std::uint64_t>(limit)));
        std::size_t filled = 0;
        while (filled < bytes.size()) {
            const ssize_t got = ::read(fd.Get(), bytes.data() + filled, bytes.size() - filled);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                break; // a file cut short while it was read: what was read is what there is
            }
            filled += static_cast<std::size_t>(got);
        }
        bytes.resize(filled);
    }
    return ElfImage(bytes.data(), bytes.size());
}

// Whether the process could load the file at all: same class, byte order and machine as the
// module that holds this code, read from its ELF header in memory.
bool MatchesProcess(const ElfImage& image) {
    static const ElfImage own = [] {
        Dl_info info{};
        if (::dladdr(reinterpret_cast<void*>(&MatchesProcess), &info) != 0 &&
            info.dli_fbase != nullptr) {
            return ElfImage(static_cast<const unsigned char*>(info.dli_fbase), elfHeaderBytes);
        }
        return ElfImage(nullptr, 0);
    }();
    return image.HasIdentity() && own.HasIdentity() && image.FileClass() == own.FileClass() &&
           image.ByteOrder() == own.ByteOrder() && image.Machine() == own.Machine();
}

// ---------------------------------------------------------------------------------------------
// DLL search directories

struct DllDirectory {
    std::uintptr_t cookie;
    std::string path;
};

// Process-wide like the system lists they stand in for: other threads of the host may load
// libraries through this layer while the platform adds or removes a directory.
std::mutex dllDirectoriesMutex;
std::vector<DllDirectory> dllDirectories;
std::uintptr_t nextCookie = 1;

std::string TakeDlError() {
    const char* text = ::dlerror();
    return text != nullptr ? std::string(text) : std::string("unknown dynamic loader error");
}

int ErrorFromLoaderText(const std::string& text) {
    const auto has = [&text](const char* part) { return text.find(part) != std::string::npos; };
    if (has("Permission denied")) {
        return EACCES;
    }
    if (has("Is a directory")) {
        return EISDIR;
    }
    if (has("cannot open shared object file") || has("No such file")) {
        return ENOENT;
    }
    if (has("ELF") || has("ET_DYN") || has("file too short") || has("cannot read file data")) {
        return ENOEXEC;
    }
    return EINVAL;
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

using DirectoryList = std::vector<std::string>;
using SharedDirectories = std::shared_ptr<const DirectoryList>;

// Where a library is looked for: `first`, then the directories of the search-path variable,
// which are shared with the layer's store rather than copied (the variable grows with every
// package imported).
struct SearchOrder {
    DirectoryList first;
    SharedDirectories searchPath;
};

SharedDirectories SearchPathDirectories();

// The first of `directories` that holds a library `name` this process can load; empty if none.
// The dynamic loader skips files of the wrong class or machine in its search directories, and so
// does this search.
std::string LocateLibrary(const std::string& name, const std::vector<std::string>& directories) {
    for (const std::string& directory : directories) {
        const std::string candidate = JoinPath(directory, name);
        struct stat status {};
        if (::stat(candidate.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
            MatchesProcess(ReadElfImage(candidate, elfHeaderBytes))) {
            return candidate;
        }
    }
    return std::string();
}

std::string LocateLibrary(const std::string& name, const SearchOrder& order) {
    std::string found = LocateLibrary(name, order.first);
    if (found.empty() && order.searchPath) {
        found = LocateLibrary(name, *order.searchPath);
    }
    return found;
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
    explicit DependencyPreloader(std::function<SearchOrder()> directories)
        : directoriesSource_(std::move(directories)) {}
    ~DependencyPreloader() { Release(); }
    DependencyPreloader(DependencyPreloader&&) = delete;
    DependencyPreloader& operator=(DependencyPreloader&&) = delete;
    DependencyPreloader(const DependencyPreloader&) = delete;
    DependencyPreloader& operator=(const DependencyPreloader&) = delete;

    // Loads what `path` needs, dependencies of dependencies first. On a failure the loader's
    // text lands in `error` and false comes back.
    bool Preload(const std::string& path, std::string& error) { return PreloadFor(path, error, 0); }

    // Drops the references taken here; whatever a loaded library needs stays loaded through it.
    void Release() {
        ErrnoKeeper keep;
        for (auto handle = handles_.rbegin(); handle != handles_.rend(); ++handle) {
            ::dlclose(*handle);
        }
        handles_.clear();
    }

private:
    // Deeper chains than this are not real libraries but a cycle the name set missed.
    static constexpr int maxDepth = 64;

    bool PreloadFor(const std::string& path, std::string& error, int depth) {
        if (depth > maxDepth) {
            return true;
        }
        const ElfImage image = ReadElfImage(path, elfWholeFileCap);
        for (const std::string& name : image.NeededNames()) {
            if (name.find('/') != std::string::npos || !seen_.insert(name).second ||
                IsLoaded(name)) {
                continue;
            }
            const std::string found = LocateLibrary(name, Directories());
            if (found.empty()) {
                continue; // left to the dynamic loader's own search
            }
            if (!PreloadFor(found, error, depth + 1)) {
                return false;
            }
            ::dlerror();
            void* handle = ::dlopen(found.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (handle == nullptr) {
                error = TakeDlError();
                return false;
            }
            handles_.push_back(handle);
        }
        return true;
    }

    const SearchOrder& Directories() {
        if (directoriesSource_) {
            directories_ = directoriesSource_();
            directoriesSource_ = nullptr;
        }
        return directories_;
    }

    std::function<SearchOrder()> directoriesSource_;
    SearchOrder directories_;
    std::set<std::string> seen_;
    std::vector<void*> handles_;
};

// The directories of a search-path value, in order.
SharedDirectories SplitDirectories(const char* value) {
    auto directories = std::make_shared<DirectoryList>();
    const std::string_view text(value);
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto end = std::min(text.find(SearchPathDelimiter(), start), text.size());
        // An empty element would mean the current directory, which no caller intends.
        if (end > start) {
            directories->emplace_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return directories;
}

// Where the dependencies of `path` are looked for, in order: the library's own directory, the
// added DLL search directories, then the search-path variable as it stands now.
SearchOrder DependencyDirectories(const std::string& path) {
    SearchOrder order;
    const std::string own = DirectoryPart(path);
    if (!own.empty()) {
        order.first.push_back(own);
    }
    {
        std::lock_guard<std::mutex> lock(dllDirectoriesMutex);
        for (const DllDirectory& directory : dllDirectories) {
            order.first.push_back(directory.path);
        }
    }
    order.searchPath = SearchPathDirectories();
    return order;
}

bool IsBareName(const std::string& path) {
    return path.find('/') == std::string::npos;
}

// The file a library name stands for: a path with a folder is itself; a bare name is looked for
// in the search-path variable as it stands now, as a dependency is. Empty when only the system's
// own search can tell.
std::string LibraryFile(const std::string& path) {
    return IsBareName(path) ? LocateLibrary(path, *SearchPathDirectories()) : path;
}

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

// The values of the variables set through this layer. glibc's setenv never frees the value it
// replaces (an earlier getenv's pointer may still be in use), so a variable rewritten on every
// package import would cost memory with the square of the imports. putenv installs a buffer as it
// is instead, and the buffer it replaces is freed at once: the environment is the process's one
// shared state that no call may change while another thread reads it (POSIX marks both setenv and
// getenv unsafe against each other), and the platform sets it only on the host's thread.
class EnvironmentStore final {
public:
    EnvironmentStore() = default;
    // The environment outlives this library: a value still installed is handed to glibc's own
    // storage before the buffer goes, so that the environment never points into freed memory.
    ~EnvironmentStore() {
        ErrnoKeeper keep;
        for (const auto& [name, slot] : slots_) {
            const char* installed = std::getenv(name.c_str());
            if (slot.current && installed == slot.current.get() + name.size() + 1) {
                const std::string value = installed;
                ::setenv(name.c_str(), value.c_str(), 1);
            }
        }
    }
    EnvironmentStore(const EnvironmentStore&) = delete;
    EnvironmentStore& operator=(const EnvironmentStore&) = delete;

    bool Set(const std::string& name, const std::string& value) {
        if (name.empty() || name.find('=') != std::string::npos) {
            errno = EINVAL;
            return false;
        }
        // "name=value" straight into the buffer putenv installs: the value may be long.
        const std::size_t size = name.size() + 1 + value.size();
        auto buffer = std::make_unique<char[]>(size + 1);
        std::memcpy(buffer.get(), name.data(), name.size());
        buffer[name.size()] = '=';
        std::memcpy(buffer.get() + name.size() + 1, value.data(), value.size());
        buffer[size] = '\0';
        std::lock_guard<std::mutex> lock(mutex_);
        if (::putenv(buffer.get()) != 0) {
            return false;
        }
        Slot& slot = slots_[name];
        slot.current = std::move(buffer);
        slot.directories.reset();
        return true;
    }

    // The directories of a search-path variable as it stands now. A value this store installed
    // is split once and kept with it, so reading the growing variable again costs nothing; a
    // value someone else set is split on every call.
    SharedDirectories Directories(const std::string& name) {
        std::lock_guard<std::mutex> lock(mutex_);
        const char* value = std::getenv(name.c_str());
        if (value == nullptr) {
            return std::make_shared<const DirectoryList>();
        }
        const auto slot = slots_.find(name);
        if (slot == slots_.end() || !slot->second.current ||
            value != slot->second.current.get() + name.size() + 1) {
            return SplitDirectories(value);
        }
        if (!slot->second.directories) {
            slot->second.directories = SplitDirectories(value);
        }
        return slot->second.directories;
    }

private:
    struct Slot {
        std::unique_ptr<char[]> current;
        SharedDirectories directories; // of `current`, once asked for
    };

    std::mutex mutex_;
    std::map<std::string, Slot> slots_;
};

// Built while the library loads, so it outlives everything that sets a variable afterwards.
EnvironmentStore environmentStore;

// The directories of the search-path variable as it stands now, in order (the dynamic loader
// reads it once at start-up, but the process extends it while it runs).
SharedDirectories SearchPathDirectories() {
    return environmentStore.Directories(SearchPathVariable());
}

} // namespace

// -------------------------------------------------------------------------------------------------
// Files and directories

bool GetAttributes(const std::string& path, Attributes& out) {
    bool hadSeparator = false;
    const std::string entry = EntryName(path, hadSeparator);
    struct stat status {};
    if (::lstat(entry.c_str(), &status) != 0) {
        return false;
    }
    out = Attributes();
    if (S_ISLNK(status.st_mode)) {
        out.link = true;
        ErrnoKeeper keep; // a dangling link is still an entry that exists
        struct stat target {};
        if (::stat(entry.c_str(), &target) == 0) {
            out.directory = S_ISDIR(target.st_mode);
            out.regular = S_ISREG(target.st_mode);
        }
    } else {
        out.directory = S_ISDIR(status.st_mode);
        out.regular = S_ISREG(status.st_mode);
    }
    // "f/" of a file names nothing, as the system itself says.
    if (hadSeparator && !out.directory) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

bool EntryMissing(const std::string& path) {
    struct stat status {};
    if (::lstat(EntryName(path).c_str(), &status) == 0) {
        return false;
    }
    return errno == ENOENT || errno == ENOTDIR;
}

bool CreateDirectory(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0;
}

bool CopyFile(const std::string& from, const std::string& to) {
    struct stat status {};
    FileDescriptor source = OpenRegularFile(from, status);
    if (!source.Valid()) {
        return false;
    }
    const std::string target = EntryName(to);
    struct stat existing {};
    if (::lstat(target.c_str(), &existing) == 0) {
        // Copying a file onto itself would truncate the only copy before reading it.
        if (existing.st_dev == status.st_dev && existing.st_ino == status.st_ino) {
            errno = EINVAL;
            return false;
        }
        // A link in the way is replaced: what it points to is not the copy's to overwrite.
        if (S_ISLNK(existing.st_mode) && ::unlink(target.c_str()) != 0) {
            return false;
        }
    }
    const mode_t permissions = status.st_mode & 07777;
    // O_NONBLOCK and O_NOFOLLOW: a FIFO or a link that appeared in the meantime fails the open
    // instead of blocking it or leading it elsewhere.
    FileDescriptor copy(::open(target.c_str(),
                               O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC,
                               permissions));
    if (!copy.Valid()) {
        return false;
    }
    struct stat written {};
    if (::fstat(copy.Get(), &written) != 0) {
        return false;
    }
    if (!S_ISREG(written.st_mode)) {
        errno = EINVAL;
        return false;
    }
    const auto abandon = [&target] {
        // A half-written copy is worse than none.
        ErrnoKeeper keep;
        ::unlink(target.c_str());
        return false;
    };
    // The creation mode passes through the umask and does not touch an existing file.
    if (::fchmod(copy.Get(), permissions) != 0) {
        return abandon();
    }
    const bool copied = ReadAll(source.Get(), [&copy](const char* next, std::size_t left) {
        while (left > 0) {
            const ssize_t count = ::write(copy.Get(), next, left);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count <= 0) {
                if (count == 0) {
                    errno = EIO;
                }
                return false;
            }
            next += count;
            left -= static_cast<std::size_t>(count);
        }
        return true;
    });
    return copied || abandon();
}

bool CopyLink(const std::string& from, const std::string& to) {
    std::vector<char> buffer(PATH_MAX);
    const std::string link = EntryName(from);
    for (;;) {
        const ssize_t length = ::readlink(link.c_str(), buffer.data(), buffer.size());
        if (length < 0) {
            return false;
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            const std::string target(buffer.data(), static_cast<std::size_t>(length));
            return ::symlink(target.c_str(), EntryName(to).c_str()) == 0;
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool DeleteFile(const std::string& path) {
    return ::unlink(EntryName(path).c_str()) == 0;
}

bool RemoveDirectory(const std::string& path) {
    return ::rmdir(EntryName(path).c_str()) == 0;
}

bool ReadFile(const std::string& path, std::string& bytes) {
    struct stat status {};
    FileDescriptor file = OpenRegularFile(path, status);
    if (!file.Valid()) {
        return false;
    }
    std::string text;
    text.reserve(static_cast<std::size_t>(status.st_size));
    if (!ReadAll(file.Get(), [&text](const char* data, std::size_t size) {
            text.append(data, size);
            return true;
        })) {
        return false;
    }
    bytes = std::move(text);
    return true;
}

FindHandle FindFirst(const std::string& pattern, FindEntry& out) {
    // Only "<directory>/*" and "*" are searches this layer knows; anything else is refused
    // rather than read as some other directory.
    if (pattern.empty() || pattern.back() != '*' ||
        (pattern.size() > 1 && pattern[pattern.size() - 2] != '/')) {
        errno = EINVAL;
        return nullptr;
    }
    const std::string directory =
        pattern.size() == 1 ? std::string(".") : pattern.substr(0, pattern.size() - 1);
    DIR* handle = ::opendir(directory.c_str());
    if (handle == nullptr) {
        return nullptr;
    }
    if (!ReadEntry(handle, out)) {
        ErrnoKeeper keep;
        ::closedir(handle);
        if (errno == 0) {
            errno = ENOENT;
        }
        return nullptr;
    }
    return handle;
}

bool FindNext(FindHandle handle, FindEntry& out) {
    if (handle == nullptr) {
        errno = EINVAL;
        return false;
    }
    return ReadEntry(static_cast<DIR*>(handle), out);
}

void FindClose(FindHandle handle) {
    if (handle != nullptr) {
        ErrnoKeeper keep;
        ::closedir(static_cast<DIR*>(handle));
    }
}

// -------------------------------------------------------------------------------------------------
// Sleep, environment, errors

void Sleep(unsigned milliseconds) {
    sleepFunction.load()(milliseconds);
}

SleepFunction SetSleepFunction(SleepFunction function) {
    return sleepFunction.exchange(function != nullptr ? function : &RealSleep);
}

bool GetEnvironment(const std::string& name, std::string& value) {
    const char* found = std::getenv(name.c_str());
    if (found == nullptr) {
        errno = ENOENT;
        return false;
    }
    value = found;
    return true;
}

bool SetEnvironment(const std::string& name, const std::string& value) {
    return environmentStore.Set(name, value);
}

ErrorCode LastError() {
    return static_cast<ErrorCode>(errno);
}

void SetLastError(ErrorCode code) {
    errno = static_cast<int>(code);
}

std::string ErrorText(ErrorCode code) {
    ErrnoKeeper keep;
    char buffer[256] = {};
    const char* text = nullptr;
    if (code <= static_cast<ErrorCode>(INT_MAX)) {
        text = StrErrorResult(::strerror_r(static_cast<int>(code), buffer, sizeof buffer), buffer);
    }
    return text != nullptr && *text != '\0' ? std::string(text)
                                            : "Unknown error " + std::to_string(code);
}

// -------------------------------------------------------------------------------------------------
// Own module and executable

namespace {

std::string ResolveOwnModulePath() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&ResolveOwnModulePath), &info) == 0 ||
        info.dli_fname == nullptr || info.dli_fname[0] == '\0') {
        return ExecutablePath();
    }
    // For the main program the dynamic loader reports argv[0], which may be a bare name found
    // through PATH; the kernel knows better.
    const std::string name = info.dli_fname;
    if (name.find('/') == std::string::npos) {
        return ExecutablePath();
    }
    // For a library it reports the path given to dlopen, relative to the directory that was
    // current then; it is made absolute before anyone can change that directory.
    const std::string directory = DirectoryPart(name);
    const std::string fileName = name.substr(name.rfind('/') + 1);
    if (char* resolved = ::realpath(directory.c_str(), nullptr)) {
        const std::string result = JoinPath(resolved, fileName);
        std::free(resolved);
        return result;
    }
    return name.front() == '/' ? name : JoinPath(CurrentDirectory(), name);
}

// Resolved while the library is loaded, before every other static of the library is built and
// destroyed after all of them: their constructors and destructors write records that name it.
__attribute__((init_priority(101))) const std::string ownModulePath = ResolveOwnModulePath();

} // namespace

std::string OwnModulePath() {
    return ownModulePath;
}

std::string ExecutablePath() {
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return std::string();
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        }
        buffer.resize(buffer.size() * 2);
    }
}

// -------------------------------------------------------------------------------------------------
// Dynamic libraries

ModuleHandle LoadLibrary(const std::string& path, std::string* loaderText) {
    const auto fail = [loaderText](std::string text, int code) -> ModuleHandle {
        if (loaderText != nullptr) {
            *loaderText = std::move(text);
        }
        errno = code;
        return nullptr;
    };
    if (path.empty()) {
        // dlopen("") would hand back the main program.
        return fail("cannot load a library from an empty path", EINVAL);
    }
    const std::string found = LibraryFile(path);
    // A bare name found nowhere is left to the system's own search, which never reads a file
    // of that name from the current directory; neither does this layer.
    const std::string file = found.empty() ? path : found;
    std::string error;
    void* handle = nullptr;
    {
        // Asked for at the first dependency not loaded yet, before the preloader loads any.
        DependencyPreloader preloader([&file] { return DependencyDirectories(file); });
        if (found.empty() || preloader.Preload(file, error)) {
            ::dlerror();
            handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (handle == nullptr) {
                error = TakeDlError();
            }
        }
    }
    if (handle != nullptr) {
        return handle;
    }
    int code = ErrorFromLoaderText(error);
    // The dynamic loader passes over a library of another machine as if it were not there and
    // says so ("No such file or directory"); the file is there, it is the wrong kind.
    if (!IsBareName(file)) {
        const ElfImage image = ReadElfImage(file, elfHeaderBytes);
        if (image.HasIdentity() && !MatchesProcess(image)) {
            if (code == ENOENT) {
                error += " (the file is a library for another machine)";
            }
            code = ENOEXEC;
        }
    }
    return fail(std::move(error), code);
}

ModuleHandle FindLoadedModule(const std::string& path) {
    if (path.empty()) {
        return nullptr;
    }
    ErrnoKeeper keep;
    void* handle = ::dlopen(path.c_str(), RTLD_NOLOAD | RTLD_LAZY);
    if (handle == nullptr) {
        ::dlerror();
        // A bare name loaded from where LoadLibrary found it is known by that path only.
        const std::string found = IsBareName(path) ? LibraryFile(path) : std::string();
        if (found.empty()) {
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

void* GetSymbol(ModuleHandle module, const char* name) {
    if (module == nullptr || name == nullptr) {
        errno = EINVAL;
        return nullptr;
    }
    ::dlerror();
    void* symbol = ::dlsym(module, name);
    // dlsym also searches the module's dependencies; the Windows loader, whose behaviour
    // packages are written for, looks at the module's own exports only.
    if (symbol == nullptr || !DefinedIn(module, symbol)) {
        ::dlerror();
        errno = ENOENT;
        return nullptr;
    }
    return symbol;
}

bool FreeLibrary(ModuleHandle module) {
    if (module == nullptr) {
        errno = EINVAL;
        return false;
    }
    if (::dlclose(module) != 0) {
        ::dlerror();
        errno = EINVAL;
        return false;
    }
    return true;
}

DirectoryCookie AddDllDirectory(const std::string& directory) {
    // Like the Windows call, only absolute directories are taken.
    if (directory.empty() || directory.front() != '/') {
        errno = EINVAL;
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(dllDirectoriesMutex);
    const std::uintptr_t cookie = nextCookie++;
    dllDirectories.push_back({cookie, directory});
    return reinterpret_cast<DirectoryCookie>(cookie);
}

DirectoryCookie AddModuleDirectory(ModuleFile which) {
    // Names are bytes here: the narrow path is the system's own form.
    return AddDllDirectory(
        DirectoryPart(which == ModuleFile::Platform ? OwnModulePath() : ExecutablePath()));
}

bool RemoveDllDirectory(DirectoryCookie cookie) {
    std::lock_guard<std::mutex> lock(dllDirectoriesMutex);
    const auto value = reinterpret_cast<std::uintptr_t>(cookie);
    const auto found =
        std::find_if(dllDirectories.begin(), dllDirectories.end(),
                     [value](const DllDirectory& directory) { return directory.cookie == value; });
    if (found == dllDirectories.end()) {
        errno = EINVAL;
        return false;
    }
    dllDirectories.erase(found);
    return true;
}

bool IsOsVersionAtLeast(std::uint16_t, std::uint16_t, std::uint16_t) {
    return true;
}

// -------------------------------------------------------------------------------------------------
// Native conventions

char NativeSeparator() {
    return '/';
}
const char* LibrarySuffix() {
    return ".so";
}
const char* SearchPathVariable() {
    return "LD_LIBRARY_PATH";
}
char SearchPathDelimiter() {
    return ':';
}

} // namespace VELMORA::NEVRA::Platform::Sys
