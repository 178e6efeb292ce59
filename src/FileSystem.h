// File-system operations over the platform layer. Tests return bool; everything else throws
// FileSystemError on failure and leaves partial results in place.
#pragma once

#include "FilePath.h"
#include "FileSystemError.h"

#include <string>
#include <vector>

namespace VELMORA::NEVRA::Platform {

namespace Sys {
struct FindEntry;
using ErrorCode = unsigned long;
} // namespace Sys

bool PathExists(const std::string& path);  // never throws
bool IsDirectory(const std::string& path); // throws when the entry cannot be read
// A directory, or a link that resolves to one, asked with one look at the entry; never throws.
bool DirectoryExists(const std::string& path);
// Whether `path` names a file or directory, through any links; a dangling link names nothing.
// Never throws.
bool TargetExists(const std::string& path);
bool IsRegularFile(const std::string& path);
// IsRegularFile for a caller to whom an entry that cannot be read is no file; never throws.
bool RegularFileExists(const std::string& path);
bool IsFileLink(const std::string& path);

bool CreateDir(const std::string& path);  // true when created, false when already a directory
void CreateDirs(const std::string& path); // every missing level; reports nothing

// CreateDirs for a caller that must know why it failed: throws FileSystemError naming the first
// level that could not be made and the system's reason.
void CreateDirsOrFail(const std::string& path);

void RemoveEntry(const std::string& path);
void RemoveTree(const std::string& path, bool recursive);

void CopyFileOver(const std::string& src, const std::string& dst);
void CopyEntry(const std::string& src, const std::string& dst);
void CopyDirContents(const std::string& srcDir, const std::string& dstDir);
// Places a copy of `src` (a file, or a directory with its tree) at `dst` whole or not at all:
// the copy is made under a temporary name beside `dst` and renamed onto it, so another process,
// or the next start after a failure, never finds it half made. On failure the temporary copy is
// removed and the error thrown. With Existing::Replace a file at `dst` is replaced; with
// Existing::Keep whatever reached `dst` first stays and the copy is dropped. Returns whether
// this call placed the copy (a source that copies pass over places nothing).
enum class Existing { Replace, Keep };
bool PlaceCopy(const std::string& src, const std::string& dst, Existing existing);
// Whether a file name is one that PlaceCopy gives its copy while it is being made: what a process
// that ended mid-copy (or could not delete it) left behind.
bool IsTemporaryName(const std::string& fileName);
// Copies, then removes the source; `src` becomes the destination. What a copy passes over (a
// FIFO, socket, device or dangling link) is left where it is, and `src` with it.
void MoveEntry(std::string& src, const std::string& dst);

// The whole content of a regular file (or of what a link to one resolves to). Anything else is
// refused without being opened for long: every read of files that the platform does not own
// goes through here, so that no FIFO or device can make it block or never end.
std::string ReadFileBytes(const std::string& path);

// Forward iterator over the entries of one directory ("." and ".." skipped). A directory that
// cannot be opened is empty. Dereferencing yields the entry's full path without a trailing
// separator.
class DirIterator {
public:
    DirIterator(); // the end
    explicit DirIterator(const std::string& dir);
    explicit DirIterator(const FilePath& dir);
    DirIterator(DirIterator&& other) noexcept;
    DirIterator& operator=(DirIterator&& other) noexcept;
    DirIterator(const DirIterator&) = delete;
    DirIterator& operator=(const DirIterator&) = delete;
    ~DirIterator();

    DirIterator& operator++();
    const std::string& operator*() const { return current_; }
    const std::string* operator->() const { return &current_; }
    bool operator==(const DirIterator& other) const;
    bool operator!=(const DirIterator& other) const { return !(*this == other); }

    // The current entry as a path: the directory with the entry's name as file name.
    const FilePath& Path() const { return path_; }
    // Why the enumeration ended before the last entry (the directory could not be opened, or
    // reading it failed); 0 when it ran to the end.
    Sys::ErrorCode Failure() const { return failure_; }
    // The entry's kind as far as the enumeration told it, without another system call:
    // true and sets `regular` when known, false when the caller must ask IsRegularFile.
    bool KnownRegularFile(bool& regular) const;

private:
    // What the enumeration said about the current entry.
    struct Kind {
        bool known = false;
        bool directory = false;
        bool regular = false;
        bool link = false;
    };

    void Open(const FilePath& dir);
    void Take(Sys::FindEntry& entry);
    bool Next();
    void Settle(bool found);

    FilePath path_;
    std::string prefix_; // path_ in directory form, rendered once per directory
    std::string current_;
    void* handle_ = nullptr;
    std::string name_;
    Kind kind_;
    Sys::ErrorCode failure_ = 0;
};

void ListDir(const std::string& dir, std::vector<std::string>& out);
// ListDir for a caller that must not take part of a directory for all of it (a copy): throws
// FileSystemError when the directory cannot be opened or read to its end.
void ListWholeDir(const std::string& dir, std::vector<std::string>& out);

// This library's own file.
std::string ModuleFilePath(); // cached
std::string ModuleName();     // stem of ModuleFilePath(), cached
// The cached stem itself, for callers that only read it; null once the cache is gone at unload.
const std::string* CachedModuleName();
// Whether `path` names this library's own file, as written (not through links).
bool IsModuleFile(const FilePath& path);
// The file that holds this code, as the platform layer found it once while the library loaded:
// the current directory at the time of the call does not matter.
std::string ModuleFilePathByAddress();
std::string ModuleDirectory(); // with a trailing separator

} // namespace VELMORA::NEVRA::Platform
