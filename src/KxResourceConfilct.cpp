#include "KxResourceConfilct.h"

#include "FilePath.h"
#include "FileSystem.h"
#include "SettingStore.h"

#include <tinyxml2.h>

#include <algorithm>

using VELMORA::NEVRA::Platform::DirIterator;
using VELMORA::NEVRA::Platform::FilePath;
using VELMORA::NEVRA::Platform::IsRegularFile;
using VELMORA::NEVRA::Platform::IsSeparator;

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
// runs once per file of every tree that is checked.
std::string FileNameOf(const std::string& path) {
    if (HasRootPrefix(path)) {
        return FilePath(path).FileName();
    }
    const auto separator = path.find_last_of("\\/");
    return separator == std::string::npos ? path : path.substr(separator + 1);
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

void CollectElementNames(Cache& cache, const std::string& path, const char* element) {
    std::string bytes;
    try {
        bytes = VELMORA::NEVRA::Platform::ReadFileBytes(path);
    } catch (const VELMORA::NEVRA::Platform::FileSystemError&) {
        return; // a file that cannot be read defines nothing
    }
    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    if (document.Parse(bytes.data(), bytes.size()) != tinyxml2::XML_SUCCESS) {
        return;
    }
    const tinyxml2::XMLElement* root = document.FirstChildElement();
    if (root == nullptr) {
        return;
    }
    for (const tinyxml2::XMLElement* child = root->FirstChildElement(element); child != nullptr;
         child = child->NextSiblingElement(element)) {
        if (const char* name = child->Attribute("name")) {
            cache.keys[name].push_back(path);
        }
    }
}

KxResourceConflictList CheckFileNames(const std::vector<std::string>& dirs) {
    return FindConflicts(dirs, CollectFileName);
}

} // namespace

KxResourceConflictList FindConflicts(const std::vector<std::string>& dirs,
                                     ConflictCollector collector) {
    Cache cache;
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
                collector(cache, path);
            }
        }
        // Packages bring trees of much the same size: size the table once from the first
        // directory that held anything, instead of rehashing all the way up.
        if (!reserved && !cache.keys.empty()) {
            cache.keys.reserve(cache.keys.size() / (walked + 1) * dirs.size());
            reserved = true;
        }
    }

    // One pass over the table: conflicts are few, and their strings are moved, not copied.
    KxResourceConflictList result;
    for (auto it = cache.keys.begin(); it != cache.keys.end();) {
        if (it->second.size() > 1) {
            auto node = cache.keys.extract(it++);
            result.emplace_back(std::move(node.key()), std::move(node.mapped()));
        } else {
            ++it;
        }
    }
    std::sort(result.begin(), result.end(),
              [](const KxResourceConflictEntry& a, const KxResourceConflictEntry& b) {
                  return a.first < b.first;
              });
    return result;
}

void CollectFileName(Cache& cache, const std::string& path) {
    std::string key = FileNameOf(path);
    std::transform(key.begin(), key.end(), key.begin(), CLocaleLower);
    cache.keys[std::move(key)].push_back(path);
}

void CollectMenuNames(Cache& cache, const std::string& path) {
    CollectElementNames(cache, path, "Menu");
}

void CollectActionNames(Cache& cache, const std::string& path) {
    CollectElementNames(cache, path, "Action");
}

KxResourceConflictList
KxResourceConfilctCommand::Check(const std::vector<std::string>& dirs) const {
    return CheckFileNames(dirs);
}

KxResourceConflictList KxResourceConfilctAction::Check(const std::vector<std::string>&) const {
    // Without a current profile there is no user action folder; an empty path would otherwise
    // mean the process's working directory.
    const std::string folder = SettingDirectory(0, false);
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
