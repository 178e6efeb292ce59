#include "FileSystem.h"

#include "Sys.h"

#include <atomic>
#include <regex>
#include <utility>

namespace VELMORA::NEVRA::Platform {

namespace {

[[noreturn]] void Fail(const std::string& operation, const std::string& path, Sys::ErrorCode code) {
    throw FileSystemError(operation + " failed for '" + path + "': " + Sys::ErrorText(code));
}

[[noreturn]] void Fail(const std::string& operation, const std::string& from, const std::string& to,
                       Sys::ErrorCode code) {
    throw FileSystemError(operation + " failed from '" + from + "' to '" + to +
                          "': " + Sys::ErrorText(code));
}

Sys::Attributes ReadAttributes(const char* operation, const std::string& path) {
    Sys::Attributes attributes;
    if (!Sys::GetAttributes(path, attributes)) {
        Fail(operation, path, Sys::LastError());
    }
    return attributes;
}

// Attempts to delete a directory that stays busy: the first try and seven more, with the wait
// doubling from 10 ms (1270 ms in all), which outlasts the usual scanner or indexer holding a
// freshly emptied directory.
constexpr int kRemoveDirectoryAttempts = 8;
constexpr unsigned kFirstRemoveDirectoryWait = 10;

void RemoveDirectoryWithRetry(const std::string& path) {
    unsigned wait = kFirstRemoveDirectoryWait;
    for (int attempt = 1;; ++attempt) {
        if (Sys::RemoveDirectory(path)) {
            return;
        }
        const Sys::ErrorCode error = Sys::LastError();
        if (attempt == kRemoveDirectoryAttempts) {
            throw FileSystemError("RemoveTree failed for '" + path + "' after " +
                                  std::to_string(kRemoveDirectoryAttempts) +
                                  " attempts: " + Sys::ErrorText(error));
        }
        Sys::Sleep(wait);
        wait *= 2;
    }
}

// What to do with an entry that is copied, chosen once for CopyEntry and MoveEntry.
enum class CopyKind {
    Tree,    // a directory: its contents, entry by entry
    File,    // a regular file, or what a link to one holds
    Link,    // a link to a directory: made again, never entered
    PassOver // FIFOs, sockets, devices, device names, dangling links: never opened
};

CopyKind KindToCopy(const char* operation, const std::string& path) {
    const Sys::Attributes attributes = ReadAttributes(operation, path);
    if (attributes.link && attributes.directory) {
        return CopyKind::Link;
    }
    if (attributes.directory) {
        return CopyKind::Tree;
    }
    return attributes.regular && !IsDeviceName(path) ? CopyKind::File : CopyKind::PassOver;
}

// A link written with trailing separators, as the link itself.
std::string LinkName(std::string path) {
    while (path.size() > 1 && IsSeparator(path.back())) {
        path.pop_back();
    }
    return path;
}

} // namespace

// The iterator keeps what the search reported about its current entry, so that its kind can be
// answered without asking the system again.
void DirIterator::Take(Sys::FindEntry& entry) {
    name_ = std::move(entry.name);
    kind_ = Kind{entry.kindKnown, entry.directory, entry.regular, entry.link};
}

bool DirIterator::Next() {
    Sys::FindEntry entry;
    if (handle_ == nullptr) {
        return false;
    }
    if (!Sys::FindNext(handle_, entry)) {
        failure_ = Sys::LastError();
        return false;
    }
    Take(entry);
    return true;
}

bool PathExists(const std::string& path) {
    Sys::Attributes attributes;
    return Sys::GetAttributes(path, attributes);
}

bool IsDirectory(const std::string& path) {
    return ReadAttributes("IsDirectory", path).directory;
}

bool DirectoryExists(const std::string& path) {
    Sys::Attributes attributes;
    return Sys::GetAttributes(path, attributes) && attributes.directory;
}

bool TargetExists(const std::string& path) {
    Sys::Attributes attributes;
    return Sys::GetAttributes(path, attributes) &&
           (!attributes.link || attributes.directory || attributes.regular);
}

bool IsRegularFile(const std::string& path) {
    // What the system calls one; FIFOs, sockets and devices would block or never end a read.
    return ReadAttributes("IsRegularFile", path).regular && !IsDeviceName(path);
}

bool RegularFileExists(const std::string& path) {
    Sys::Attributes attributes;
    return Sys::GetAttributes(path, attributes) && attributes.regular && !IsDeviceName(path);
}

bool IsFileLink(const std::string& path) {
    const Sys::Attributes attributes = ReadAttributes("IsFileLink", path);
    return attributes.link && !attributes.directory;
}

bool CreateDir(const std::string& path) {
    Sys::Attributes attributes;
    if (Sys::GetAttributes(path, attributes) && attributes.directory) {
        return false;
    }
    // Nothing there, or a file of that name: the creation reports why it cannot be done.
    if (!Sys::CreateDirectory(path)) {
        Fail("CreateDir", path, Sys::LastError());
    }
    return true;
}

void CreateDirs(const std::string& path) {
    if (PathExists(path)) {
        return;
    }
    FilePath directory(path);
    directory.ToDirectoryForm();
    if (directory.DirCount() > 1) {
        CreateDirs(StripTrailingSeparator(directory.GoUp().Str()));
    }
    try {
        CreateDir(path);
    } catch (const FileSystemError&) {
        // Reports nothing by contract: the caller checks PathExists.
    }
}

void CreateDirsOrFail(const std::string& path) {
    CreateDirs(path);
    if (DirectoryExists(path)) {
        return;
    }
    // Made again from the top, the first level that cannot be made says why.
    FilePath level(path);
    level.ToDirectoryForm();
    std::vector<std::string> levels;
    for (; level.DirCount() > 0; level.GoUp()) {
        levels.push_back(StripTrailingSeparator(level.Str()));
        if (level.DirCount() == 1) {
            break;
        }
    }
    for (auto it = levels.rbegin(); it != levels.rend(); ++it) {
        CreateDir(*it);
    }
}

void RemoveEntry(const std::string& path) {
    const Sys::Attributes attributes = ReadAttributes("RemoveEntry", path);
    // A link is deleted as a link even when it resolves to a directory.
    if (attributes.directory && !attributes.link) {
        if (!Sys::RemoveDirectory(path)) {
            Fail("RemoveEntry", path, Sys::LastError());
        }
    } else if (!Sys::DeleteFile(path)) {
        Fail("RemoveEntry", path, Sys::LastError());
    }
}

void RemoveTree(const std::string& path, bool recursive) {
    if (!recursive) {
        RemoveEntry(path);
        return;
    }
    const Sys::Attributes attributes = ReadAttributes("RemoveTree", path);
    // A link, to a file or to a directory, goes by itself: what it points to is not ours.
    if (attributes.link || !attributes.directory) {
        RemoveEntry(path);
        return;
    }
    std::vector<std::string> children;
    ListDir(path, children);
    for (const std::string& child : children) {
        RemoveTree(child, true);
    }
    RemoveDirectoryWithRetry(path);
}

void CopyFileOver(const std::string& src, const std::string& dst) {
    if (!Sys::CopyFile(src, dst)) {
        Fail("CopyFileOver", src, dst, Sys::LastError());
    }
}

std::string ReadFileBytes(const std::string& path) {
    if (!IsRegularFile(path)) {
        throw FileSystemError("ReadFileBytes failed for '" + path + "': not a regular file");
    }
    std::string bytes;
    if (!Sys::ReadFile(path, bytes)) {
        Fail("ReadFileBytes", path, Sys::LastError());
    }
    return bytes;
}

void CopyEntry(const std::string& src, const std::string& dst) {
    const CopyKind kind = KindToCopy("CopyEntry", src);
    if (kind == CopyKind::PassOver) {
        return;
    }
    FilePath target(dst);
    const std::string stripped = StripTrailingSeparator(dst);
    Sys::Attributes existing;
    const bool intoDirectory =
        (Sys::GetAttributes(stripped, existing) && existing.directory) || target.IsDirectoryForm();
    if (intoDirectory) {
        target.ToDirectoryForm();
        // A link keeps its own name also when written with a trailing separator.
        target.SetFileName(FilePath(kind == CopyKind::Link ? LinkName(src) : src).FileName());
    }
    switch (kind) {
    case CopyKind::Tree:
        CopyDirContents(src, target.Str());
        break;
    case CopyKind::Link:
        if (!Sys::CopyLink(src, target.Str())) {
            Fail("CopyEntry", src, target.Str(), Sys::LastError());
        }
        break;
    case CopyKind::File:
        CopyFileOver(src, target.Str());
        break;
    case CopyKind::PassOver:
        break; // left above, before anything was looked at
    }
}

void CopyDirContents(const std::string& srcDir, const std::string& dstDir) {
    // The source is listed before the destination exists, so copying a directory into itself
    // copies what was there and does not chase its own copy.
    std::vector<std::string> entries;
    // A copy that silently lacks what could not be read would pass for whole.
    ListWholeDir(srcDir, entries);
    const std::string destination = StripTrailingSeparator(dstDir);
    CreateDirs(destination);
    if (!IsDirectory(destination)) {
        throw FileSystemError("CopyDirContents failed for '" + dstDir +
                              "': the destination is not a directory");
    }
    for (const std::string& entry : entries) {
        CopyEntry(entry, dstDir);
    }
}

namespace {

constexpr char kTemporaryEnding[] = ".part";

// A name beside `dst` that no other process and no other copy of this one uses now, and that
// no reader takes for the entry itself: hidden, and with an ending of its own:
// ".<name>.<process>-<count>.part".
std::string TemporaryName(const std::string& dst) {
    static std::atomic<unsigned> counter{0};
    FilePath path(StripTrailingSeparator(dst));
    const std::string name = path.FileName();
    path.SetFileName("." + name + "." + std::to_string(Sys::ProcessId()) + "-" +
                     std::to_string(counter.fetch_add(1)) + kTemporaryEnding);
    return path.Str();
}

void RemoveQuietly(const std::string& path) noexcept {
    try {
        if (!Sys::EntryMissing(path)) {
            RemoveTree(path, true);
        }
    } catch (...) {
        // The error that brought us here is the one to report.
    }
}

} // namespace

bool IsTemporaryName(const std::string& fileName) {
    static const std::regex temporary(R"(\..+\.\d+-\d+)" + std::string("\\") + kTemporaryEnding);
    return std::regex_match(fileName, temporary);
}

bool PlaceCopy(const std::string& src, const std::string& dst, Existing existing) {
    const std::string temporary = TemporaryName(dst);
    try {
        CopyEntry(src, temporary);
    } catch (...) {
        RemoveQuietly(temporary);
        throw;
    }
    if (Sys::EntryMissing(temporary)) {
        return false;
    }
    const std::string target = StripTrailingSeparator(dst);
    if (Sys::RenameEntry(temporary, target, existing == Existing::Replace)) {
        return true;
    }
    const Sys::ErrorCode error = Sys::LastError();
    RemoveQuietly(temporary);
    if (existing == Existing::Keep && !Sys::EntryMissing(target)) {
        return false;
    }
    Fail("PlaceCopy", src, dst, error);
}

void MoveEntry(std::string& src, const std::string& dst) {
    // What a copy passes over stays where it is: the delete that follows would lose it.
    if (KindToCopy("MoveEntry", src) == CopyKind::PassOver) {
        return;
    }
    CopyEntry(src, dst);
    RemoveTree(src, true);
    src = StripTrailingSeparator(dst);
}

DirIterator::DirIterator() = default;

DirIterator::DirIterator(const std::string& dir) {
    Open(FilePath(dir));
}

DirIterator::DirIterator(const FilePath& dir) {
    Open(dir);
}

DirIterator::DirIterator(DirIterator&& other) noexcept
    : path_(std::move(other.path_)), prefix_(std::move(other.prefix_)),
      current_(std::move(other.current_)), handle_(std::exchange(other.handle_, nullptr)),
      name_(std::move(other.name_)), kind_(std::exchange(other.kind_, Kind{})),
      failure_(std::exchange(other.failure_, 0)) {
    other.path_.Clear();
    other.current_.clear();
    other.name_.clear();
}

DirIterator& DirIterator::operator=(DirIterator&& other) noexcept {
    if (this != &other) {
        if (handle_ != nullptr) {
            Sys::FindClose(handle_);
        }
        path_ = std::move(other.path_);
        prefix_ = std::move(other.prefix_);
        current_ = std::move(other.current_);
        handle_ = std::exchange(other.handle_, nullptr);
        name_ = std::move(other.name_);
        kind_ = std::exchange(other.kind_, Kind{});
        failure_ = std::exchange(other.failure_, 0);
        other.path_.Clear();
        other.current_.clear();
        other.name_.clear();
    }
    return *this;
}

DirIterator::~DirIterator() {
    if (handle_ != nullptr) {
        Sys::FindClose(handle_);
    }
}

void DirIterator::Open(const FilePath& dir) {
    path_ = dir;
    path_.ToDirectoryForm();
    prefix_ = path_.Str();
    Sys::FindEntry entry;
    handle_ = Sys::FindFirst(prefix_ + "*", entry);
    if (handle_ != nullptr) {
        Take(entry);
    } else {
        failure_ = Sys::LastError();
    }
    Settle(handle_ != nullptr);
}

DirIterator& DirIterator::operator++() {
    Settle(Next());
    return *this;
}

void DirIterator::Settle(bool found) {
    while (found && (name_ == "." || name_ == "..")) {
        found = Next();
    }
    if (found) {
        path_.SetFileName(name_);
        // The same text as path_.Str(), without rendering every directory again per entry.
        current_.assign(prefix_).append(name_);
        if (current_.size() >= 2 && IsSeparator(current_.back())) {
            StripTrailingSeparator(std::string(current_), current_);
        }
        return;
    }
    // Run out: this is now the end iterator, and the search is released at once.
    if (handle_ != nullptr) {
        Sys::FindClose(handle_);
        handle_ = nullptr;
    }
    path_.Clear();
    prefix_.clear();
    current_.clear();
    name_.clear();
    kind_ = Kind{};
}

bool DirIterator::operator==(const DirIterator& other) const {
    return path_.FileName() == other.path_.FileName();
}

bool DirIterator::KnownRegularFile(bool& regular) const {
    if (!kind_.known || name_.empty()) {
        return false;
    }
    regular = kind_.regular && !IsDeviceName(current_);
    return true;
}

void ListDir(const std::string& dir, std::vector<std::string>& out) {
    out.clear();
    for (DirIterator it(dir), end; it != end; ++it) {
        out.push_back(*it);
    }
}

void ListWholeDir(const std::string& dir, std::vector<std::string>& out) {
    out.clear();
    DirIterator it(dir);
    for (const DirIterator end; it != end; ++it) {
        out.push_back(*it);
    }
    if (it.Failure() != 0) {
        Fail("ListWholeDir", dir, it.Failure());
    }
}

namespace {

// The library's own path and name, worked out once. Records are still written while the
// library's other statics are torn down, and they all ask for the module name, possibly after
// this cache has gone: from then on the answers are worked out afresh. The cache must go with
// the library all the same: strings left on the heap when the library is unmapped are leaks.
bool moduleNamesGone = false; // trivially destructible: still readable during the teardown

struct ModuleNames final {
    ModuleNames()
        : path(Sys::OwnModulePath()), rendered(FilePath(path).Str()),
          fileName(FilePath(path).FileName()), name(FilePath(path).Stem()) {}
    ~ModuleNames() { moduleNamesGone = true; }
    ModuleNames(const ModuleNames&) = delete;
    ModuleNames& operator=(const ModuleNames&) = delete;

    const std::string path;
    const std::string rendered; // as FilePath writes it
    const std::string fileName;
    const std::string name;
};

const ModuleNames* CachedModuleNames() {
    if (moduleNamesGone) {
        return nullptr;
    }
    static const ModuleNames names;
    return &names;
}

} // namespace

std::string ModuleFilePath() {
    const ModuleNames* names = CachedModuleNames();
    return names != nullptr ? names->path : Sys::OwnModulePath();
}

bool IsModuleFile(const FilePath& path) {
    const ModuleNames* names = CachedModuleNames();
    if (names == nullptr) {
        return path.Str() == FilePath(ModuleFilePath()).Str();
    }
    // A rendered path ends with its file name, so two that differ there differ: every package
    // is told apart from the platform without rendering its path.
    return path.FileName() == names->fileName && path.Str() == names->rendered;
}

std::string ModuleName() {
    const ModuleNames* names = CachedModuleNames();
    return names != nullptr ? names->name : FilePath(Sys::OwnModulePath()).Stem();
}

const std::string* CachedModuleName() {
    const ModuleNames* names = CachedModuleNames();
    return names != nullptr ? &names->name : nullptr;
}

std::string ModuleFilePathByAddress() {
    return Sys::OwnModulePath();
}

std::string ModuleDirectory() {
    return FilePath(ModuleFilePathByAddress()).Parent().Str();
}

} // namespace VELMORA::NEVRA::Platform
