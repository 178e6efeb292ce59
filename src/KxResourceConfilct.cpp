#include "KxResourceConfilct.h"

#include "FilePath.h"
#include "FileSystem.h"
#include "SettingStore.h"
#include "XmlChildren.h"

#include <tinyxml2.h>

#include <algorithm>

using VELMORA::NEVRA::Platform::DirIterator;
using VELMORA::NEVRA::Platform::FilePath;
using VELMORA::NEVRA::Platform::IsRegularFile;
using VELMORA::NEVRA::Platform::IsSeparator;
using VELMORA::NEVRA::Platform::NameOccurrences;

namespace {

// What tolower does in the C locale, whatever locale the host process has set since: keys
// must not change with the user's regional settings.
char CLocaleLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when the path starts with a UNC or drive prefix (or something FilePath would reject as a
// malformed drive). Only such paths can have a file name other than the text after the last
// separator.
bool HasRootPrefix(const std::string& path) {
    if (path.size() >= 2 && (path[1] == ':' || (IsSeparator(path[0]) && IsSeparator(path[1])))) {
        return true;
    }
    return path.size() >= 3 && IsSeparator(path[0]) && path[2] == ':';
}

// FilePath(path).FileName() without parsing every directory component of every file: this
// runs once per file of every tree that is checked. Only a path that has to be parsed puts its
// name in `parsed`; otherwise the answer is a view of `path`.
std::string_view FileNameOf(const std::string& path, std::string& parsed) {
    if (HasRootPrefix(path)) {
        parsed = FilePath(path).FileName();
        return parsed;
    }
    // From the end: only the name's own characters are looked at.
    const char* const begin = path.data();
    const char* start = begin + path.size();
    while (start != begin && !IsSeparator(start[-1])) {
        --start;
    }
    return std::string_view(start, static_cast<std::size_t>(begin + path.size() - start));
}

// Whether the current entry is a regular file, asking the system only when the enumeration
// did not tell. Throws when the entry vanished before it could be asked.
bool IsRegularEntry(const DirIterator& it, const std::string& path) {
    bool regular = false;
    if (!it.KnownRegularFile(regular)) {
        regular = IsRegularFile(path);
    }
    return regular;
}

void CollectElementNames(NameOccurrences& occurrences, const std::string& path,
                         const char* element) {
    // A file that cannot be read or parsed defines nothing.
    VELMORA::NEVRA::Platform::ReadXmlChildren(path, element,
                                              [&](const tinyxml2::XMLElement& child) {
                                                  if (const char* name = child.Attribute("name")) {
                                                      occurrences.Add(name, path);
                                                  }
                                              });
}

KxResourceConflictList CheckFileNames(const std::vector<std::string>& dirs) {
    return FindConflicts(dirs, CollectFileName);
}

} // namespace

void NameOccurrences::Add(std::string_view key, const std::string& path) {
    const std::uint32_t file = FileNumber(path);
    const auto it = keys_.find(key);
    if (it == keys_.end()) {
        keys_.emplace(KeepKey(key), Occurrences{file, {}});
        return;
    }
    if (it->second.more.empty()) {
        repeated_.push_back(&*it);
    }
    it->second.more.push_back(file);
}

std::string_view NameOccurrences::KeepKey(std::string_view key) {
    constexpr std::size_t blockSize = 64 * 1024;
    if (key.empty()) {
        return {};
    }
    if (key.size() > keyLeft_) {
        const std::size_t size = std::max(blockSize, key.size());
        keyBlocks_.emplace_back(new char[size]);
        keyFree_ = keyBlocks_.back().get();
        keyLeft_ = size;
    }
    std::copy(key.begin(), key.end(), keyFree_);
    const std::string_view kept(keyFree_, key.size());
    keyFree_ += key.size();
    keyLeft_ -= key.size();
    return kept;
}

std::uint32_t NameOccurrences::FileNumber(const std::string& path) {
    // A collector that finds several keys in one file adds them one after the other.
    if (!starts_.empty() && paths_.size() - starts_.back() == path.size() &&
        paths_.compare(starts_.back(), path.size(), path) == 0) {
        return static_cast<std::uint32_t>(starts_.size() - 1);
    }
    starts_.push_back(paths_.size());
    paths_ += path;
    return static_cast<std::uint32_t>(starts_.size() - 1);
}

std::vector<std::string> NameOccurrences::PathsOf(const Occurrences& occurrences) const {
    const auto path = [this](std::uint32_t file) {
        const std::size_t end = file + 1 < starts_.size() ? starts_[file + 1] : paths_.size();
        return paths_.substr(starts_[file], end - starts_[file]);
    };
    std::vector<std::string> files;
    files.reserve(1 + occurrences.more.size());
    files.push_back(path(occurrences.first));
    for (const std::uint32_t file : occurrences.more) {
        files.push_back(path(file));
    }
    return files;
}

std::vector<std::string> NameOccurrences::Files(const std::string& key) const {
    const auto it = keys_.find(key);
    return it == keys_.end() ? std::vector<std::string>() : PathsOf(it->second);
}

KxResourceConflictList NameOccurrences::TakeConflicts() {
    KxResourceConflictList result;
    result.reserve(repeated_.size());
    for (const auto* entry : repeated_) {
        result.emplace_back(std::string(entry->first), PathsOf(entry->second));
    }
    repeated_.clear();
    keys_.clear();
    keyBlocks_.clear();
    keyFree_ = nullptr;
    keyLeft_ = 0;
    paths_.clear();
    starts_.clear();
    return result;
}

KxResourceConflictList FindConflicts(const std::vector<std::string>& dirs,
                                     ConflictCollector collector) {
    NameOccurrences occurrences;
    bool reserved = false;
    std::string rendered;
    const DirIterator end;
    for (std::size_t walked = 0; walked < dirs.size(); ++walked) {
        for (DirIterator it(dirs[walked]); it != end; ++it) {
            // The iterator's string is the entry's rendered path without a trailing separator,
            // which is the same text unless the entry's name itself ends with one.
            const std::string& name = it.Path().FileName();
            const bool renderAgain = name.empty() || IsSeparator(name.back());
            const std::string& path = renderAgain ? (rendered = it.Path().Str()) : *it;
            if (IsRegularEntry(it, path)) {
                collector(occurrences, path);
            }
        }
        // Packages bring trees of much the same size: size the table once from the first
        // directory that held anything, instead of rehashing all the way up.
        if (!reserved && occurrences.KeyCount() != 0) {
            occurrences.ReserveKeys(occurrences.KeyCount() / (walked + 1) * dirs.size());
            reserved = true;
        }
    }

    KxResourceConflictList result = occurrences.TakeConflicts();
    std::sort(result.begin(), result.end(),
              [](const KxResourceConflictEntry& a, const KxResourceConflictEntry& b) {
                  return a.first < b.first;
              });
    return result;
}

void CollectFileName(NameOccurrences& occurrences, const std::string& path) {
    std::string parsed;
    const std::string_view name = FileNameOf(path, parsed);
    // Nearly every name fits the buffer on the stack; a longer one takes a string.
    char buffer[256];
    std::string longer;
    char* key = buffer;
    if (name.size() > sizeof buffer) {
        longer.resize(name.size());
        key = longer.data();
    }
    std::transform(name.begin(), name.end(), key, CLocaleLower);
    occurrences.Add(std::string_view(key, name.size()), path);
}

void CollectMenuNames(NameOccurrences& occurrences, const std::string& path) {
    CollectElementNames(occurrences, path, "Menu");
}

void CollectActionNames(NameOccurrences& occurrences, const std::string& path) {
    CollectElementNames(occurrences, path, "Action");
}

KxResourceConflictList
KxResourceConfilctCommand::Check(const std::vector<std::string>& dirs) const {
    return CheckFileNames(dirs);
}

KxResourceConflictList KxResourceConfilctAction::Check(const std::vector<std::string>&) const {
    // Without a current profile there is no user action folder; an empty path would otherwise
    // mean the process's working directory.
    const std::string folder = SettingDirectory(SettingGroup::Action, false);
    if (folder.empty()) {
        return {};
    }
    return FindConflicts({folder}, CollectActionNames);
}

KxResourceConflictList
KxResourceConfilctContext::Check(const std::vector<std::string>& dirs) const {
    return FindConflicts(dirs, CollectMenuNames);
}

KxResourceConflictList KxResourceConfilctForm::Check(const std::vector<std::string>& dirs) const {
    return CheckFileNames(dirs);
}

KxResourceConflictList KxResourceConfilctIcon::Check(const std::vector<std::string>& dirs) const {
    return CheckFileNames(dirs);
}

KxResourceConflictList KxResourceConfilctQrc::Check(const std::vector<std::string>& dirs) const {
    return CheckFileNames(dirs);
}

KxResourceConflictList KxResourceConfilctText::Check(const std::vector<std::string>& dirs) const {
    return CheckFileNames(dirs);
}

KxResourceConflictList KxResourceConfilctDoc::Check(const std::vector<std::string>& dirs) const {
    return CheckFileNames(dirs);
}
