// The operating-system layer on Linux (glibc): the plain file, directory, environment, error and
// library calls. What the Windows loader gives for free and the dynamic loader does not (finding
// dependencies without an rpath) is LibraryLoader's; the variables' storage is EnvironmentStore's.
#include "Sys.h"

#include "DependencySearchOrder.h"
#include "EnvironmentStorePosix.h"
#include "ErrnoKeeperPosix.h"
#include "FileDescriptorPosix.h"
#include "LibraryLoaderPosix.h"
#include "TrailingSeparators.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <utility>
#include <vector>

namespace VELMORA::NEVRA::Platform::Sys {

namespace {

// How much of a file one read takes.
constexpr std::size_t readChunkBytes = std::size_t{1} << 16;
constexpr unsigned millisecondsPerSecond = 1000;
constexpr long nanosecondsPerMillisecond = 1000000L;
// Modes of what the layer creates, before the process's umask: a folder anyone may use, as the
// Windows call makes it, and a lock file for the user alone.
constexpr mode_t newDirectoryMode = 0777;
constexpr mode_t lockFileMode = 0600;

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

// Reads what is left of a regular file; false with errno set on failure.
template <typename Sink> bool ReadAll(int fd, Sink sink) {
    std::vector<char> buffer(readChunkBytes);
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
    timespec remaining{static_cast<time_t>(milliseconds / millisecondsPerSecond),
                       static_cast<long>(milliseconds % millisecondsPerSecond) *
                           nanosecondsPerMillisecond};
    while (::nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

std::atomic<SleepFunction> sleepFunction{&RealSleep};

// The variables set through this layer, and the added DLL search directories with the loader
// emulation that searches them. Built while the library loads, so they outlive everything that
// sets a variable or loads a library afterwards.
EnvironmentStore environmentStore;
LibraryLoader libraryLoader([] {
    return environmentStore.Directories(SearchPathVariable(), SearchPathDelimiter());
});

// The entry a path names, as the system is handed it: the path without its trailing
// separators, copied onto the stack (the probes of every registration ask about folders, whose
// paths end with one); only a path longer than any the system takes goes to the heap.
class EntryText final {
public:
    explicit EntryText(const std::string& path)
        : length_(EntryLength(path)), hadSeparator_(length_ < path.size()) {
        if (!hadSeparator_) {
            text_ = path.c_str();
        } else if (length_ < sizeof(buffer_)) {
            std::memcpy(buffer_, path.data(), length_);
            buffer_[length_] = '\0';
            text_ = buffer_;
        } else {
            longer_ = path.substr(0, length_);
            text_ = longer_.c_str();
        }
    }
    EntryText(const EntryText&) = delete;
    EntryText& operator=(const EntryText&) = delete;

    const char* c_str() const { return text_; }
    bool HadSeparator() const { return hadSeparator_; }

private:
    std::size_t length_;
    bool hadSeparator_;
    const char* text_ = nullptr;
    char buffer_[PATH_MAX];
    std::string longer_;
};

} // namespace

// -------------------------------------------------------------------------------------------------
// Files and directories

bool GetAttributes(const std::string& path, Attributes& out) {
    const EntryText entry(path);
    const bool hadSeparator = entry.HadSeparator();
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
    if (::lstat(EntryText(path).c_str(), &status) == 0) {
        return false;
    }
    return errno == ENOENT || errno == ENOTDIR;
}

bool CreateDirectory(const std::string& path) {
    return ::mkdir(path.c_str(), newDirectoryMode) == 0;
}

bool CopyFile(const std::string& from, const std::string& to) {
    struct stat status {};
    FileDescriptor source = FileDescriptor::OpenRegular(from, status);
    if (!source.Valid()) {
        return false;
    }
    const std::string target = WithoutTrailingSeparators(to);
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
    const mode_t permissions = status.st_mode & ALLPERMS;
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

bool ReadLink(const std::string& path, std::string& target) {
    std::vector<char> buffer(PATH_MAX);
    const std::string link = WithoutTrailingSeparators(path);
    for (;;) {
        const ssize_t length = ::readlink(link.c_str(), buffer.data(), buffer.size());
        if (length < 0) {
            return false;
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            target.assign(buffer.data(), static_cast<std::size_t>(length));
            return true;
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool ResolvePath(const std::string& path, std::string& resolved) {
    char* text = ::realpath(path.c_str(), nullptr);
    if (text == nullptr) {
        return false;
    }
    resolved = text;
    std::free(text);
    return true;
}

bool CopyLink(const std::string& from, const std::string& to) {
    std::string target;
    return ReadLink(from, target) &&
           ::symlink(target.c_str(), WithoutTrailingSeparators(to).c_str()) == 0;
}

bool DeleteFile(const std::string& path) {
    return ::unlink(WithoutTrailingSeparators(path).c_str()) == 0;
}

bool RemoveDirectory(const std::string& path) {
    return ::rmdir(WithoutTrailingSeparators(path).c_str()) == 0;
}

bool RenameEntry(const std::string& from, const std::string& to, bool replace) {
    const std::string source = WithoutTrailingSeparators(from);
    const std::string target = WithoutTrailingSeparators(to);
    if (replace) {
        return ::rename(source.c_str(), target.c_str()) == 0;
    }
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    // A file system without the flag: a file is linked in (which never replaces), a directory
    // is renamed after a look, which leaves only a narrow window to another process.
    struct stat status {};
    if (::lstat(source.c_str(), &status) != 0) {
        return false;
    }
    if (!S_ISDIR(status.st_mode)) {
        return ::link(source.c_str(), target.c_str()) == 0 && ::unlink(source.c_str()) == 0;
    }
    if (::lstat(target.c_str(), &status) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(source.c_str(), target.c_str()) == 0;
}

bool ReadFile(const std::string& path, std::string& bytes) {
    struct stat status {};
    FileDescriptor file = FileDescriptor::OpenRegular(path, status);
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

namespace {

bool WriteAll(int file, const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t count = ::write(file, bytes.data() + done, bytes.size() - done);
        if (count >= 0) {
            done += static_cast<std::size_t>(count);
        } else if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

constexpr mode_t newFileMode = S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH;

} // namespace

bool WriteNewFile(const std::string& path, const std::string& bytes) {
    bool written = true;
    {
        const FileDescriptor file(
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, newFileMode));
        if (!file.Valid()) {
            return false;
        }
        written = WriteAll(file.Get(), bytes);
    }
    if (!written) {
        ErrnoKeeper keep;
        ::unlink(path.c_str());
    }
    return written;
}

bool WriteFileOver(const std::string& path, const std::string& bytes) {
    const FileDescriptor file(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, newFileMode));
    return file.Valid() && WriteAll(file.Get(), bytes);
}

bool WriteUnnamedFile(const std::string& folder, const std::string& bytes) {
    const FileDescriptor file(
        ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, newFileMode));
    if (file.Valid()) {
        return WriteAll(file.Get(), bytes);
    }
    if (errno != EOPNOTSUPP && errno != EISDIR) {
        return false;
    }
    // A file system without unnamed files: a named one, unlinked before anything is written.
    const std::string probe = WithoutTrailingSeparators(folder) + "/.probe-" +
                              std::to_string(ProcessId()) + "-" + std::to_string(::time(nullptr));
    const FileDescriptor named(
        ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, newFileMode));
    if (!named.Valid()) {
        return false;
    }
    ::unlink(probe.c_str());
    return WriteAll(named.Get(), bytes);
}

// -------------------------------------------------------------------------------------------------
// Sleep, environment, errors

LockFileHandle OpenLockFile(const std::string& path) {
    const int fd = ::open(WithoutTrailingSeparators(path).c_str(),
                          O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, lockFileMode);
    if (fd < 0) {
        return nullptr;
    }
    // The handle carries the descriptor plus one, so that descriptor 0 is no null handle.
    return reinterpret_cast<LockFileHandle>(static_cast<std::intptr_t>(fd) + 1);
}

namespace {

int LockDescriptor(LockFileHandle file) {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(file) - 1);
}

// Open-file-description locks: owned by the open file like flock, on byte ranges like Windows'
// LockFileEx, so both systems coordinate by the same ranges.
bool SetLock(LockFileHandle file, std::uint64_t offset, short type, bool wait) {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = static_cast<off_t>(offset);
    range.l_len = 1;
    for (;;) {
        if (::fcntl(LockDescriptor(file), wait ? F_OFD_SETLKW : F_OFD_SETLK, &range) == 0) {
            return true;
        }
        if (errno != EINTR) {
            return false;
        }
    }
}

} // namespace

bool LockRange(LockFileHandle file, std::uint64_t offset, LockMode mode, LockWait wait) {
    return SetLock(file, offset, mode == LockMode::Exclusive ? F_WRLCK : F_RDLCK,
                   wait == LockWait::Block);
}

bool UnlockRange(LockFileHandle file, std::uint64_t offset) {
    return SetLock(file, offset, F_UNLCK, false);
}

void CloseLockFile(LockFileHandle file) {
    if (file != nullptr) {
        ::close(LockDescriptor(file));
    }
}

unsigned long ProcessId() {
    return static_cast<unsigned long>(::getpid());
}

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

bool PrependSearchPath(const std::vector<std::string>& directories) {
    return environmentStore.PrependSearchPath(SearchPathVariable(), SearchPathDelimiter(),
                                              directories);
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

bool ProgramOutput(const std::string& command, std::string& output) {
    FILE* pipe = ::popen(command.c_str(), "re");
    if (pipe == nullptr) {
        return false;
    }
    std::string text;
    char buffer[BUFSIZ];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        text.append(buffer, got);
    }
    ::pclose(pipe);
    output = std::move(text);
    return true;
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
    const std::string directory = LibraryDirectory(name);
    const std::string fileName = name.substr(name.rfind('/') + 1);
    if (char* resolved = ::realpath(directory.c_str(), nullptr)) {
        const std::string result = JoinPath(resolved, fileName);
        std::free(resolved);
        return result;
    }
    return name.front() == '/' ? name : JoinPath(CurrentDirectory(), name);
}

// An exception out of a static initialiser would end the process before the host could hear of
// it: out of memory, the path is left to be resolved when it is first asked for.
std::string ResolveOwnModulePathAtLoad() noexcept {
    try {
        return ResolveOwnModulePath();
    } catch (...) {
        return std::string();
    }
}

// Resolved while the library is loaded, before every other static of the library is built and
// destroyed after all of them: their constructors and destructors write records that name it.
__attribute__((init_priority(101))) const std::string ownModulePath = ResolveOwnModulePathAtLoad();

} // namespace

std::string OwnModulePath() {
    return ownModulePath.empty() ? ResolveOwnModulePath() : ownModulePath;
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

ModuleHandle LoadLibrary(const std::string& path, LoadFailure* failure) {
    return libraryLoader.Load(path, failure);
}

ModuleHandle FindLoadedModule(const std::string& path) {
    return libraryLoader.FindLoaded(path);
}

ModuleHandle LoadLibrary(const LibraryFile& file, LoadFailure* failure) {
    return libraryLoader.Load(file, failure);
}

ModuleHandle FindLoadedModule(const LibraryFile& file) {
    return libraryLoader.FindLoaded(file);
}

bool IsLoadedAs(ModuleHandle module, const LibraryFile& file) {
    return LibraryLoader::IsLoadedAs(module, file);
}

void* GetSymbol(ModuleHandle module, const char* name) {
    return LibraryLoader::Symbol(module, name);
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
    return libraryLoader.AddDirectory(directory);
}

DirectoryCookie AddModuleDirectory(ModuleFile which) {
    // Names are bytes here: the narrow path is the system's own form.
    return AddDllDirectory(
        LibraryDirectory(which == ModuleFile::Platform ? OwnModulePath() : ExecutablePath()));
}

bool RemoveDllDirectory(DirectoryCookie cookie) {
    return libraryLoader.RemoveDirectory(cookie);
}

bool IsOsVersionAtLeast(std::uint16_t, std::uint16_t, std::uint16_t) {
    return true;
}

ModuleHandle OpenLibrary(const std::string& path, std::string* loaderText) {
    ::dlerror();
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* text = ::dlerror();
        if (loaderText != nullptr) {
            *loaderText = text != nullptr ? text : "";
        }
        errno = ENOENT;
    }
    return module;
}

void* FindSymbol(ModuleHandle module, const char* name) {
    if (module == nullptr || name == nullptr) {
        errno = EINVAL;
        return nullptr;
    }
    return ::dlsym(module, name);
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

std::vector<std::string> SystemLibraryDirectories() {
    std::vector<std::string> dirs{"/lib", "/usr/lib", "/lib64", "/usr/lib64", "/usr/local/lib"};
    // Multi-architecture folders, e.g. /usr/lib/x86_64-linux-gnu.
    for (const std::string base : {"/lib", "/usr/lib"}) {
        std::error_code error;
        for (std::filesystem::directory_iterator it(base, error), end; !error && it != end;
             it.increment(error)) {
            const std::string name = it->path().filename().string();
            if (name.find("-linux-") != std::string::npos && it->is_directory(error)) {
                dirs.push_back(it->path().string());
            }
        }
    }
    return dirs;
}

// As `ldconfig -p` lists them: "\tlibz.so.1 (libc6,x86-64) => /lib/x86_64-linux-gnu/libz.so.1".
std::vector<std::string> LoaderCachedNames() {
    std::vector<std::string> names;
    for (const char* program : {"/sbin/ldconfig", "/usr/sbin/ldconfig"}) {
        std::string listing;
        if (::access(program, X_OK) != 0 ||
            !ProgramOutput(std::string(program) + " -p 2>/dev/null", listing)) {
            continue;
        }
        std::istringstream lines(listing);
        for (std::string line; std::getline(lines, line);) {
            std::istringstream fields(line);
            std::string name;
            fields >> name;
            if (!line.empty() && line[0] == '\t' && !name.empty() &&
                line.find("=>") != std::string::npos) {
                names.push_back(name);
            }
        }
        break;
    }
    return names;
}

} // namespace VELMORA::NEVRA::Platform::Sys
