// The operating-system layer on Windows: the ANSI file, environment, error and loader calls, with
// paths passed to the system unchanged.
#include "Sys.h"

#include "DependencySearchOrder.h"
#include "PeImage.h"
#include "SearchPathValue.h"
#include "TrailingSeparators.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0602
#endif
#include <windows.h>

#include <shlwapi.h>
#include <winioctl.h>

// windows.h maps these names to their ANSI or wide variants; in this file they are the layer's.
#undef CopyFile
#undef CreateDirectory
#undef DeleteFile
#undef LoadLibrary
#undef RemoveDirectory

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace VELMORA::NEVRA::Platform::Sys {

namespace {

// The version from which AddDllDirectory and RemoveDllDirectory are always there (Windows 8).
constexpr std::uint16_t directCallMajor = 6;
constexpr std::uint16_t directCallMinor = 2;

// How much of a file one read takes.
constexpr std::size_t readChunkBytes = std::size_t{1} << 16;

// A file is regular unless it is a directory or a device; a link to a file counts as the file,
// as CopyFileA and CreateFileA follow it.
bool IsRegularKind(DWORD attributes) {
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

void FillEntry(const WIN32_FIND_DATAA& data, FindEntry& out) {
    out = FindEntry();
    out.name = data.cFileName;
    out.kindKnown = true;
    out.directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    out.regular = IsRegularKind(data.dwFileAttributes);
    out.link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Closes a handle on every path out of a scope.
class FileHandle final {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (Valid()) {
            const DWORD error = ::GetLastError();
            ::CloseHandle(handle_);
            ::SetLastError(error);
        }
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

void RealSleep(unsigned milliseconds) {
    ::Sleep(milliseconds);
}

std::atomic<SleepFunction> sleepFunction{&RealSleep};

std::wstring Widen(const std::string& text) {
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 0) {
        return std::wstring();
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], length);
    wide.resize(static_cast<std::size_t>(length) - 1);
    return wide;
}

std::string Narrow(const wchar_t* text, int count) {
    const int length = ::WideCharToMultiByte(CP_ACP, 0, text, count, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return std::string();
    }
    std::string narrow(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text, count, &narrow[0], length, nullptr, nullptr);
    return narrow;
}

// The head of what FSCTL_GET_REPARSE_POINT returns for a symbolic link or a junction; the
// system's headers declare it only for drivers.
struct ReparseHead {
    ULONG tag;
    USHORT dataLength;
    USHORT reserved;
    USHORT substituteNameOffset;
    USHORT substituteNameLength;
    USHORT printNameOffset;
    USHORT printNameLength;
};
constexpr std::size_t symbolicLinkFlagsSize = sizeof(ULONG); // only symbolic links have them
constexpr std::size_t reparseBufferSize = 16 * 1024;         // the largest reparse data there is

template <typename Function> Function Kernel32Function(const char* name) {
    const HMODULE kernel = ::GetModuleHandleA("Kernel32.dll");
    if (kernel == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(kernel, name)));
}

// The module that holds this code: the allocation base of its region is the module's handle. A
// failed query leaves it null, for which the system names the process's executable.
HMODULE OwnModule() {
    MEMORY_BASIC_INFORMATION region{};
    if (::VirtualQuery(reinterpret_cast<LPCVOID>(&OwnModule), &region, sizeof region) == 0) {
        return nullptr;
    }
    return static_cast<HMODULE>(region.AllocationBase);
}

// Windows 8 and later have the call; older systems may have it through an update.
DLL_DIRECTORY_COOKIE AddWideDllDirectory(const wchar_t* directory) {
    if (IsOsVersionAtLeast(directCallMajor, directCallMinor, 0)) {
        return ::AddDllDirectory(directory);
    }
    using Function = DLL_DIRECTORY_COOKIE(WINAPI*)(PCWSTR);
    const Function add = Kernel32Function<Function>("AddDllDirectory");
    return add != nullptr ? add(directory) : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Finding the dependency that made a load fail
//
// The loader only says that "the specified module could not be found", whether it is the
// library or something it imports. To name the culprit, the import tables are read from the
// files (PeImage) and the loader's search order is retraced (DependencySearchOrder.h).

// The names a library imports, read from its file. A file that cannot be read names nothing; a
// damaged one names what could be read of it.
std::vector<std::string> ImportedNames(const std::string& path) {
    std::string bytes;
    if (!ReadFile(path, bytes)) {
        return {};
    }
    return PeImage(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size())
        .ImportedNames();
}

bool IsFile(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The system's answers to the questions of the Windows search order (DependencySearchOrder.h).
std::string MissingDependency(const std::string& path) {
    ImportSources sources;
    sources.imports = &ImportedNames;
    sources.loaded = [](const std::string& name) {
        return ::GetModuleHandleA(name.c_str()) != nullptr;
    };
    sources.isFile = &IsFile;
    sources.standardSearch = [](const std::string& name) {
        char buffer[MAX_PATH] = {};
        const DWORD length =
            ::SearchPathA(nullptr, name.c_str(), nullptr, MAX_PATH, buffer, nullptr);
        return length == 0 || length >= MAX_PATH ? std::string() : std::string(buffer);
    };
    return MissingImport(path, sources);
}

} // namespace

// -------------------------------------------------------------------------------------------------
// Files and directories

bool GetAttributes(const std::string& path, Attributes& out) {
    bool hadSeparator = false;
    const DWORD attributes =
        ::GetFileAttributesA(WithoutTrailingSeparators(path, hadSeparator).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    // A directory link carries the directory attribute itself, so it reports both.
    out = Attributes();
    out.directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    out.regular = IsRegularKind(attributes);
    out.link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (hadSeparator && !out.directory) {
        ::SetLastError(ERROR_DIRECTORY);
        return false;
    }
    return true;
}

bool EntryMissing(const std::string& path) {
    const std::string entry = WithoutTrailingSeparators(path);
    // Win32 drops a trailing dot or space from the last name, so such a name may be missing
    // while an entry spelt with it exists; only the folder's own listing can tell.
    if (entry.empty() || entry.back() == '.' || entry.back() == ' ') {
        return false;
    }
    // A reparse point's own attributes: a link is an entry whatever it leads to.
    if (::GetFileAttributesA(entry.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool CreateDirectory(const std::string& path) {
    return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

bool CopyFile(const std::string& from, const std::string& to) {
    const DWORD source = ::GetFileAttributesA(from.c_str());
    if (source == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    if (!IsRegularKind(source)) {
        ::SetLastError(ERROR_BAD_FILE_TYPE);
        return false;
    }
    // CopyFileA would write through a link in the way; the link is replaced instead.
    const std::string target = WithoutTrailingSeparators(to);
    const DWORD existing = ::GetFileAttributesA(target.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
        (existing & FILE_ATTRIBUTE_DIRECTORY) == 0 && !::DeleteFileA(target.c_str())) {
        return false;
    }
    return ::CopyFileA(from.c_str(), target.c_str(), FALSE) != FALSE;
}

bool CopyLink(const std::string& from, const std::string& to) {
    return ::CopyFileExA(WithoutTrailingSeparators(from).c_str(),
                         WithoutTrailingSeparators(to).c_str(), nullptr, nullptr, nullptr,
                         COPY_FILE_COPY_SYMLINK) != FALSE;
}

bool DeleteFile(const std::string& path) {
    const std::string entry = WithoutTrailingSeparators(path);
    // A directory link is removed like a directory, and only the link goes.
    const DWORD attributes = ::GetFileAttributesA(entry.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return ::RemoveDirectoryA(entry.c_str()) != FALSE;
    }
    return ::DeleteFileA(entry.c_str()) != FALSE;
}

bool RenameEntry(const std::string& from, const std::string& to, bool replace) {
    return ::MoveFileExA(WithoutTrailingSeparators(from).c_str(),
                         WithoutTrailingSeparators(to).c_str(),
                         replace ? MOVEFILE_REPLACE_EXISTING : 0) != FALSE;
}

LockFileHandle OpenLockFile(const std::string& path) {
    const HANDLE file =
        ::CreateFileA(WithoutTrailingSeparators(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

namespace {

OVERLAPPED RangeAt(std::uint64_t offset) {
    OVERLAPPED range{};
    range.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    range.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return range;
}

} // namespace

bool LockRange(LockFileHandle file, std::uint64_t offset, LockMode mode, LockWait wait) {
    OVERLAPPED range = RangeAt(offset);
    DWORD flags = mode == LockMode::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0;
    if (wait == LockWait::Fail) {
        flags |= LOCKFILE_FAIL_IMMEDIATELY;
    }
    return ::LockFileEx(file, flags, 0, 1, 0, &range) != FALSE;
}

bool UnlockRange(LockFileHandle file, std::uint64_t offset) {
    OVERLAPPED range = RangeAt(offset);
    return ::UnlockFileEx(file, 0, 1, 0, &range) != FALSE;
}

void CloseLockFile(LockFileHandle file) {
    if (file != nullptr) {
        ::CloseHandle(file);
    }
}

unsigned long ProcessId() {
    return ::GetCurrentProcessId();
}

bool RemoveDirectory(const std::string& path) {
    return ::RemoveDirectoryA(WithoutTrailingSeparators(path).c_str()) != FALSE;
}

bool ReadFile(const std::string& path, std::string& bytes) {
    FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        return false;
    }
    // Pipes and character devices would block or never end.
    if (::GetFileType(file.Get()) != FILE_TYPE_DISK) {
        ::SetLastError(ERROR_BAD_FILE_TYPE);
        return false;
    }
    std::string text;
    std::vector<char> buffer(readChunkBytes);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got,
                        nullptr)) {
            return false;
        }
        if (got == 0) {
            break;
        }
        text.append(buffer.data(), got);
    }
    bytes = std::move(text);
    return true;
}

FindHandle FindFirst(const std::string& pattern, FindEntry& out) {
    WIN32_FIND_DATAA data{};
    const HANDLE handle = ::FindFirstFileA(pattern.c_str(), &data);
    if (handle == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    FillEntry(data, out);
    return handle;
}

bool FindNext(FindHandle handle, FindEntry& out) {
    if (handle == nullptr) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    WIN32_FIND_DATAA data{};
    if (!::FindNextFileA(static_cast<HANDLE>(handle), &data)) {
        if (::GetLastError() == ERROR_NO_MORE_FILES) {
            ::SetLastError(ERROR_SUCCESS);
        }
        return false;
    }
    FillEntry(data, out);
    return true;
}

void FindClose(FindHandle handle) {
    if (handle != nullptr) {
        ::FindClose(static_cast<HANDLE>(handle));
    }
}

namespace {

bool WriteAll(HANDLE file, const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        DWORD count = 0;
        const DWORD chunk = static_cast<DWORD>(
            std::min<std::size_t>(bytes.size() - done, std::numeric_limits<DWORD>::max()));
        if (::WriteFile(file, bytes.data() + done, chunk, &count, nullptr) == FALSE || count == 0) {
            return false;
        }
        done += count;
    }
    return true;
}

} // namespace

bool WriteNewFile(const std::string& path, const std::string& bytes) {
    bool written = true;
    {
        FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid()) {
            return false;
        }
        written = WriteAll(file.Get(), bytes);
    }
    if (!written) {
        const DWORD error = ::GetLastError();
        ::DeleteFileA(path.c_str());
        ::SetLastError(error);
    }
    return written;
}

bool WriteFileOver(const std::string& path, const std::string& bytes) {
    FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.Valid() && WriteAll(file.Get(), bytes);
}

bool WriteUnnamedFile(const std::string& folder, const std::string& bytes) {
    // Windows has no unnamed files: a hidden one that the system deletes when its only handle
    // closes, also when the process dies.
    static std::atomic<unsigned> next{0};
    const std::string base = WithoutTrailingSeparators(folder) + "\\.probe-" +
                             std::to_string(::GetCurrentProcessId()) + "-";
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string probe = base + std::to_string(next++);
        FileHandle file(::CreateFileA(
            probe.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
            FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        if (file.Valid()) {
            return WriteAll(file.Get(), bytes);
        }
        if (::GetLastError() != ERROR_FILE_EXISTS) {
            return false;
        }
    }
    return false;
}

bool ReadLink(const std::string& path, std::string& target) {
    FileHandle link(::CreateFileA(
        WithoutTrailingSeparators(path).c_str(), 0,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!link.Valid()) {
        return false;
    }
    std::vector<char> buffer(reparseBufferSize);
    DWORD size = 0;
    if (::DeviceIoControl(link.Get(), FSCTL_GET_REPARSE_POINT, nullptr, 0, buffer.data(),
                          static_cast<DWORD>(buffer.size()), &size, nullptr) == FALSE) {
        return false;
    }
    ReparseHead head{};
    std::memcpy(&head, buffer.data(), std::min<std::size_t>(size, sizeof head));
    std::size_t names = sizeof head;
    if (head.tag == IO_REPARSE_TAG_SYMLINK) {
        names += symbolicLinkFlagsSize;
    } else if (head.tag != IO_REPARSE_TAG_MOUNT_POINT) {
        ::SetLastError(ERROR_NOT_A_REPARSE_POINT);
        return false;
    }
    const std::size_t begin = names + head.printNameOffset;
    if (size < sizeof head || begin + head.printNameLength > size) {
        ::SetLastError(ERROR_INVALID_REPARSE_DATA);
        return false;
    }
    std::wstring name(head.printNameLength / sizeof(wchar_t), L'\0');
    std::memcpy(&name[0], buffer.data() + begin, name.size() * sizeof(wchar_t));
    target = Narrow(name.c_str(), static_cast<int>(name.size()));
    return true;
}

bool ResolvePath(const std::string& path, std::string& resolved) {
    FileHandle entry(::CreateFileA(path.c_str(), 0,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!entry.Valid()) {
        return false;
    }
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetFinalPathNameByHandleA(
            entry.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED);
        if (length == 0) {
            return false;
        }
        if (length < buffer.size()) {
            resolved.assign(buffer.data(), length);
            break;
        }
        buffer.resize(length + 1);
    }
    // The system answers in its long form: "\\?\C:\..." or "\\?\UNC\host\...".
    constexpr char longPrefix[] = "\\\\?\\";
    constexpr char uncPrefix[] = "\\\\?\\UNC\\";
    if (resolved.compare(0, sizeof uncPrefix - 1, uncPrefix) == 0) {
        resolved = "\\\\" + resolved.substr(sizeof uncPrefix - 1);
    } else if (resolved.compare(0, sizeof longPrefix - 1, longPrefix) == 0) {
        resolved.erase(0, sizeof longPrefix - 1);
    }
    return true;
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
    // The value can change between asking for its size and reading it; then ask again.
    // A set variable needs at least the terminating zero, so a size of 0 means it is not set.
    DWORD size = ::GetEnvironmentVariableA(name.c_str(), nullptr, 0);
    for (;;) {
        if (size == 0) {
            return false;
        }
        std::vector<char> buffer(size);
        // An empty value also reads as 0; only the error tells it from a vanished variable.
        ::SetLastError(ERROR_SUCCESS);
        const DWORD length = ::GetEnvironmentVariableA(name.c_str(), buffer.data(), size);
        if (length < size) {
            if (length == 0 && ::GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
                return false;
            }
            value.assign(buffer.data(), length);
            return true;
        }
        size = length;
    }
}

bool SetEnvironment(const std::string& name, const std::string& value) {
    return ::SetEnvironmentVariableA(name.c_str(), value.c_str()) != FALSE;
}

bool PrependSearchPath(const std::vector<std::string>& directories) {
    std::string old;
    GetEnvironment(SearchPathVariable(), old);
    const std::optional<std::string> value =
        SearchPathToSet(directories, old, SearchPathDelimiter());
    return !value || SetEnvironment(SearchPathVariable(), *value);
}

ErrorCode LastError() {
    return ::GetLastError();
}

void SetLastError(ErrorCode code) {
    ::SetLastError(static_cast<DWORD>(code));
}

std::string ErrorText(ErrorCode code) {
    const DWORD kept = ::GetLastError();
    char* buffer = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
    std::string text = length != 0 && buffer != nullptr ? std::string(buffer, length)
                                                        : "error " + std::to_string(code);
    if (buffer != nullptr) {
        ::LocalFree(buffer);
    }
    // System messages end with a line break, which has no place inside a log record.
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.pop_back();
    }
    ::SetLastError(kept);
    return text;
}

// The command interpreter runs the command with its standard output on a pipe whose other end
// only this process holds, so that the pipe ends when the command does.
bool ProgramOutput(const std::string& command, std::string& output) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
        return false;
    }
    const FileHandle reading(readEnd);
    PROCESS_INFORMATION process{};
    BOOL started = FALSE;
    {
        const FileHandle writing(writeEnd);
        ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = writeEnd;
        startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
        std::string commandLine = "cmd.exe /c " + command;
        started = ::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                                   CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
    }
    if (!started) {
        return false;
    }
    const FileHandle processHandle(process.hProcess);
    const FileHandle threadHandle(process.hThread);
    std::string text;
    std::vector<char> buffer(1 << 12);
    DWORD got = 0;
    while (::ReadFile(readEnd, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) &&
           got > 0) {
        text.append(buffer.data(), got);
    }
    ::WaitForSingleObject(process.hProcess, INFINITE);
    output = std::move(text);
    return true;
}

// -------------------------------------------------------------------------------------------------
// Own module and executable

namespace {

std::string ResolveOwnModulePath() {
    char buffer[MAX_PATH] = {};
    ::GetModuleFileNameA(OwnModule(), buffer, MAX_PATH - 1);
    return buffer;
}

const std::string& OwnModulePathOnce() {
    static const std::string path = ResolveOwnModulePath();
    return path;
}

// Asked once while the library is loaded, so that every later call returns that answer.
[[maybe_unused]] const std::string& ownModulePathAtLoad = OwnModulePathOnce();

} // namespace

std::string OwnModulePath() {
    return OwnModulePathOnce();
}

std::string ExecutablePath() {
    char buffer[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    buffer[MAX_PATH - 1] = '\0';
    return buffer;
}

// -------------------------------------------------------------------------------------------------
// Dynamic libraries

// The Windows loader reads the search-path variable at every load, so a bare name needs no help.
ModuleHandle LoadLibrary(const std::string& path, LoadFailure* failure) {
    const HMODULE module = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr) {
        const DWORD code = ::GetLastError();
        if (failure != nullptr) {
            *failure = LoadFailure();
            failure->loaderText = ErrorText(code);
            if (code == ERROR_MOD_NOT_FOUND) {
                failure->subject = MissingDependency(path);
                if (!failure->subject.empty()) {
                    failure->cause = LoadFailure::Cause::DependencyMissing;
                }
            }
        }
        ::SetLastError(code);
    }
    return module;
}

ModuleHandle FindLoadedModule(const std::string& path) {
    if (path.empty()) {
        return nullptr; // an empty name is not a question about the executable
    }
    return ::GetModuleHandleA(path.c_str());
}

// The Windows loader reads the file itself: only the kind of entry is looked at beforehand.
LibraryFile::LibraryFile(const std::string& path) : path_(path) {
    Attributes attributes;
    folder_ = GetAttributes(path, attributes) && attributes.directory;
}

LibraryFile::~LibraryFile() = default;

LibraryFile::LibraryFile(LibraryFile&& other) noexcept
    : path_(std::move(other.path_)), folder_(other.folder_) {}

// The Windows loader keeps a module per name: a path it had not loaded is loaded as its own.
bool IsLoadedAs(ModuleHandle, const LibraryFile&) {
    return true;
}

ModuleHandle LoadLibrary(const LibraryFile& file, LoadFailure* failure) {
    return LoadLibrary(file.Path(), failure);
}

ModuleHandle FindLoadedModule(const LibraryFile& file) {
    return FindLoadedModule(file.Path());
}

void* GetSymbol(ModuleHandle module, const char* name) {
    if (module == nullptr || name == nullptr) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // GetProcAddress looks at the module's own exports only, never at what it imports.
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module), name));
}

bool FreeLibrary(ModuleHandle module) {
    if (module == nullptr) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    return ::FreeLibrary(static_cast<HMODULE>(module)) != FALSE;
}

DirectoryCookie AddDllDirectory(const std::string& directory) {
    return AddWideDllDirectory(Widen(directory).c_str());
}

DirectoryCookie AddModuleDirectory(ModuleFile which) {
    wchar_t buffer[MAX_PATH] = {};
    // Longer names are cut by the system; what is left still names a directory to try.
    ::GetModuleFileNameW(which == ModuleFile::Platform ? OwnModule() : nullptr, buffer, MAX_PATH);
    buffer[MAX_PATH - 1] = L'\0';
    ::PathRemoveFileSpecW(buffer);
    return AddWideDllDirectory(buffer);
}

bool RemoveDllDirectory(DirectoryCookie cookie) {
    if (IsOsVersionAtLeast(directCallMajor, directCallMinor, 0)) {
        return ::RemoveDllDirectory(cookie) != FALSE;
    }
    using Function = BOOL(WINAPI*)(DLL_DIRECTORY_COOKIE);
    const Function remove = Kernel32Function<Function>("RemoveDllDirectory");
    return remove != nullptr && remove(cookie) != FALSE;
}

bool IsOsVersionAtLeast(std::uint16_t major, std::uint16_t minor, std::uint16_t servicePack) {
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof version;
    version.dwMajorVersion = major;
    version.dwMinorVersion = minor;
    version.wServicePackMajor = servicePack;
    ULONGLONG mask = 0;
    mask = ::VerSetConditionMask(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
    mask = ::VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
    mask = ::VerSetConditionMask(mask, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
    return ::VerifyVersionInfoW(
               &version, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR, mask) != FALSE;
}

// The library's own folder is searched first for its imports, as an installed library's run path
// ($ORIGIN) makes the Linux loader do: a program that lives beside other copies of them still
// gets the ones that belong to the library.
ModuleHandle OpenLibrary(const std::string& path, std::string* loaderText) {
    const HMODULE module = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr) {
        const DWORD code = ::GetLastError();
        if (loaderText != nullptr) {
            *loaderText = ErrorText(code);
        }
        ::SetLastError(code);
    }
    return module;
}

void* FindSymbol(ModuleHandle module, const char* name) {
    // The exports of the module itself: Windows resolves no symbol through a module's imports.
    return GetSymbol(module, name);
}

// -------------------------------------------------------------------------------------------------
// Native conventions

char NativeSeparator() {
    return '\\';
}
const char* LibrarySuffix() {
    return ".dll";
}
const char* SearchPathVariable() {
    return "path";
}
char SearchPathDelimiter() {
    return ';';
}

std::vector<std::string> SystemLibraryDirectories() {
    std::vector<std::string> dirs;
    char buffer[MAX_PATH] = {};
    for (auto* query : {&::GetSystemDirectoryA, &::GetWindowsDirectoryA}) {
        const UINT length = query(buffer, MAX_PATH);
        if (length != 0 && length < MAX_PATH) {
            dirs.emplace_back(buffer, length);
        }
    }
    return dirs;
}

std::vector<std::string> LoaderCachedNames() {
    return {};
}

} // namespace VELMORA::NEVRA::Platform::Sys
