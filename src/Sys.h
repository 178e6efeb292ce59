// The operating-system layer: every call into the system goes through here.
// It does mechanics only; messages, retries and ordering belong to the callers.
// Implemented by SysWin32.cpp on Windows; on Linux by SysPosix.cpp, with the loader emulation
// that Linux lacks (LibraryLoader) and the environment's storage (EnvironmentStore) beside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace VELMORA::NEVRA::Platform::Sys {

using ErrorCode = unsigned long;
using ModuleHandle = void*;
using FindHandle = void*;
using DirectoryCookie = void*;

// Attributes of one file-system entry, as far as the platform cares.
struct Attributes {
    bool directory = false; // a directory, or a link that resolves to one
    bool regular = false;   // a regular file, or a link that resolves to one
    bool link = false;      // a symbolic link or other reparse point
};

// Reads the attributes of `path` without following a final symbolic link for `link`, but
// following it for `directory` and `regular` (so a link to a directory reports both). A trailing
// separator names the entry itself, also when it is a link: `a/` of a link `a` is the link.
// Returns false and sets the last error when nothing can be read.
bool GetAttributes(const std::string& path, Attributes& out);
// True only when the system says that no entry of this name exists (nothing by the name, or a
// folder on the way missing or no folder), so that a caller may skip looking further. False
// when the entry exists, a final link included, and whenever the system cannot tell. A trailing
// separator names the entry itself, as for GetAttributes.
bool EntryMissing(const std::string& path);

bool CreateDirectory(const std::string& path); // one level
// Copies a regular file (or what a link to one resolves to) and overwrites `to`; a link at `to`
// is replaced, never written through. Refuses any other kind of source without reading it.
bool CopyFile(const std::string& from, const std::string& to);
// Makes `to` a link with the same target as the link `from`, which is not followed.
bool CopyLink(const std::string& from, const std::string& to);
bool DeleteFile(const std::string& path);      // also removes a link itself, in any spelling
bool RemoveDirectory(const std::string& path); // empty directories only
// Reads a whole regular file into `bytes`. Nothing that can block is opened: any other kind of
// entry is refused (the kind is checked on the open file, so a swap after the check is caught).
bool ReadFile(const std::string& path, std::string& bytes);
// Creates `path`, which must not exist yet, and writes `bytes` into it. False with the last error
// set when it cannot be created or written; a file created but not written whole is removed.
bool WriteNewFile(const std::string& path, const std::string& bytes);
// Creates `path`, or empties the file already there, and writes `bytes` into it: a path that
// names a device or a pipe is written to as it is. False with the last error set when it cannot
// be opened or written; what was written stays.
bool WriteFileOver(const std::string& path, const std::string& bytes);
// Writes `bytes` into a new file in `folder` that no listing ever shows and that is gone when the
// call returns, or when the process ends whatever way: whether the folder takes new files, with
// nothing left behind to mistake for the user's. False with the last error set when it cannot.
bool WriteUnnamedFile(const std::string& folder, const std::string& bytes);
// The text that the link `path` holds, as written into it (not resolved). A trailing separator
// names the link itself. False with the last error set when `path` is no link or cannot be read.
bool ReadLink(const std::string& path, std::string& target);
// The absolute path of an existing entry with every link resolved and no "." or ".." left, in the
// system's own spelling. False with the last error set when it or a folder on the way is missing.
bool ResolvePath(const std::string& path, std::string& resolved);

// One entry found by a directory search. `link` always comes from the enumeration; `directory`
// and `regular` do too when `kindKnown` is set, otherwise the caller must ask GetAttributes.
struct FindEntry {
    std::string name;
    bool kindKnown = false;
    bool directory = false;
    bool regular = false;
    bool link = false;
};

// Directory search. `pattern` is the directory in directory form followed by "*" (just "*" for
// the current directory). Returns a null handle when the search cannot start; "." and ".." are
// reported like every other name. FindNext returns false at the end, with the last error 0, or
// on error, with the last error set.
FindHandle FindFirst(const std::string& pattern, FindEntry& out);
bool FindNext(FindHandle handle, FindEntry& out);
void FindClose(FindHandle handle);

// Renames an entry within one file system in one step, so that nobody sees it half-made. With
// `replace` an existing file at `to` is replaced; without it an existing `to` of any kind fails
// the call and stays as it is. A directory never replaces a directory that holds entries.
bool RenameEntry(const std::string& from, const std::string& to, bool replace);

// Advisory locks on one-byte ranges of a lock file, owned by the open file (not the process),
// so two copies of the platform in one process exclude each other as two processes do. They are
// released when the file is closed, also when the process ends in any way.
using LockFileHandle = void*;
enum class LockMode { Shared, Exclusive };
enum class LockWait { Block, Fail };
// Opens (creating it if needed) a file that exists only to be locked; null on failure.
LockFileHandle OpenLockFile(const std::string& path);
// False with the last error set when the range cannot be locked; with LockWait::Fail also when
// another holder is in the way, without waiting.
bool LockRange(LockFileHandle file, std::uint64_t offset, LockMode mode, LockWait wait);
bool UnlockRange(LockFileHandle file, std::uint64_t offset);
void CloseLockFile(LockFileHandle file); // releases every range still locked through it

// A number that tells this process apart from every other one running now.
unsigned long ProcessId();

void Sleep(unsigned milliseconds);
// Test seam: replaces what Sleep does (null restores the real sleep). Returns the previous one.
using SleepFunction = void (*)(unsigned milliseconds);
SleepFunction SetSleepFunction(SleepFunction function);

// Environment. GetEnvironment returns false when the variable is not set. The layer owns the
// storage of what SetEnvironment writes and frees a replaced value at once (as everywhere, no
// other thread may read the environment while it changes), so rewriting a growing value costs no
// more than the value itself.
bool GetEnvironment(const std::string& name, std::string& value);
bool SetEnvironment(const std::string& name, const std::string& value);
// Puts `directories` in front of the library search-path variable by SearchPathWithPrefix's rule
// (no empty element, in front or behind) and sets nothing when that changes nothing. On Linux an
// import costs its own directories, not the whole value again, however long it has grown.
bool PrependSearchPath(const std::vector<std::string>& directories);

ErrorCode LastError();
void SetLastError(ErrorCode code);
std::string ErrorText(ErrorCode code);
// Runs `command` through the system's command interpreter and collects what it writes to its
// standard output until it ends. False with the last error set when it cannot be started.
bool ProgramOutput(const std::string& command, std::string& output);

// The file that holds the platform's own code, as an absolute path found once while the library
// is loaded (later changes of the current directory do not move it), and the process's
// executable.
std::string OwnModulePath();
std::string ExecutablePath();

// Dynamic libraries.
// What a failed LoadLibrary found out beyond the error code; the caller puts it into words.
struct LoadFailure {
    enum class Cause {
        LoaderText,   // the loader's text says it all
        NoPath,       // an empty path names no library
        FileCutShort, // `subject` (the library or a dependency) ends before the parts it
                      // declares; the system's loader would map the missing pages regardless
        OtherMachine, // the loader called the library missing; it is there, for another machine
        DependencyMissing, // the loader called a module missing; `subject` is an import of the
                           // library found nowhere
    };
    Cause cause = Cause::LoaderText;
    std::string loaderText; // the system loader's own text, when it was asked
    std::string subject;
};
// LoadLibrary loads with the altered search path: the library's own directory and the added
// search directories are searched first for its dependencies. A bare file name is looked for in
// the search-path variable as it stands now, then by the system. On failure it returns null,
// sets a non-zero last error and, when `failure` is given, fills it: it belongs to this call,
// whatever other threads load or unload.
ModuleHandle LoadLibrary(const std::string& path, LoadFailure* failure = nullptr);
// How deep the layer follows dependencies of dependencies when it looks for them itself: deeper
// chains are no real libraries but a cycle that the names seen so far missed.
inline constexpr int maxDependencyDepth = 64;
// A module already loaded from `path` (a bare name found as LoadLibrary finds it), without
// loading it or holding a reference; null if none.
ModuleHandle FindLoadedModule(const std::string& path);
// A library file looked at once, before it is registered and loaded: whether the path names a
// folder (which names no library), whether the file is loaded already, and the load itself use
// what that one look found instead of asking the system again each. Where the layer reads a
// library's dependencies itself, the look opens the file and reads its start, which the load
// then uses; where the system's loader does everything, only the kind of entry is kept. What
// could not be opened and read is looked at as GetAttributes does, and the calls below then ask
// the system by name. Closes what it holds when it goes; move-only, so that one owner closes it.
class LibraryFile final {
public:
    explicit LibraryFile(const std::string& path);
    ~LibraryFile();
    LibraryFile(LibraryFile&& other) noexcept;
    LibraryFile& operator=(LibraryFile&&) = delete;
    LibraryFile(const LibraryFile&) = delete;
    LibraryFile& operator=(const LibraryFile&) = delete;

    const std::string& Path() const { return path_; }
    // A folder, or a link that resolves to one.
    bool IsFolder() const { return folder_; }
    // The layer's own: the open file (-1 when none is held) and the bytes read from its start,
    // which are the whole file when fewer came than were asked for.
    int Descriptor() const { return descriptor_; }
    const unsigned char* Start() const { return start_.get(); }
    std::size_t StartSize() const { return startSize_; }

private:
    std::string path_;
    bool folder_ = false;
    int descriptor_ = -1;
    std::unique_ptr<unsigned char[]> start_;
    std::size_t startSize_ = 0;
};
// As LoadLibrary for the file's path, with what the look found.
ModuleHandle LoadLibrary(const LibraryFile& file, LoadFailure* failure = nullptr);
// A module loaded under the file's name, without loading it or holding a reference; null if
// none. A look that opened the file compares names only: the same file loaded under another name
// (a link) shows when it is loaded, in IsLoadedAs.
ModuleHandle FindLoadedModule(const LibraryFile& file);
// False when loading `file` handed back a module loaded before under another name, where the
// system keeps one module per file whatever it is called; true otherwise.
bool IsLoadedAs(ModuleHandle module, const LibraryFile& file);
// A symbol that `module` itself defines; null when only one of its dependencies does.
void* GetSymbol(ModuleHandle module, const char* name);
bool FreeLibrary(ModuleHandle module);

// Process-wide DLL search directories. A cookie is never null on success.
DirectoryCookie AddDllDirectory(const std::string& directory);
// Adds the directory of the platform's own file or of the executable. The file's name is read in
// the system's own form (wide on Windows), so a folder whose name lies outside the code page is
// added as it is.
enum class ModuleFile { Platform, Executable };
DirectoryCookie AddModuleDirectory(ModuleFile which);
bool RemoveDllDirectory(DirectoryCookie cookie);
bool IsOsVersionAtLeast(std::uint16_t major, std::uint16_t minor, std::uint16_t servicePack);
// Loads `path` as the system's loader does by itself, with no search directory added and every
// symbol bound at once, none made visible to later loads. On failure as LoadLibrary.
ModuleHandle OpenLibrary(const std::string& path, std::string* loaderText = nullptr);
// A symbol of `module` or, where the system looks there too, of a library it depends on.
void* FindSymbol(ModuleHandle module, const char* name);

// Native conventions.
char NativeSeparator();
const char* LibrarySuffix();      // ".dll" or ".so"
const char* SearchPathVariable(); // "path" or "LD_LIBRARY_PATH"
char SearchPathDelimiter();       // ';' or ':'

// Where the system's loader finds a library of which only the name is known, after the places a
// program can change: the system's library folders, and the names the loader knows without a
// search (its cache on Linux; none on Windows, whose system folders hold them all).
std::vector<std::string> SystemLibraryDirectories();
std::vector<std::string> LoaderCachedNames();

} // namespace VELMORA::NEVRA::Platform::Sys
