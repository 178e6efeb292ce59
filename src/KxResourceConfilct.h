// Finding resource names that more than one package defines. Two packages that ship an icon,
// a command file, a context menu or an action under the same name hide one another; a checker
// walks the resource directories of one type and reports every name met more than once, with
// every file it was met in. Checkers only read: no state between calls, no log, no message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// One name met more than once, with the files of all its occurrences.
using KxResourceConflictEntry = std::pair<std::string, std::vector<std::string>>;
// Sorted by name, so that callers get the same answer for the same trees.
using KxResourceConflictList = std::vector<KxResourceConflictEntry>;

// Every occurrence of every key met during one check, in the order found. A file appears once
// per occurrence, so a name defined twice in one file lists that file twice.
//
// A check meets every file of every package and nearly every key only once, so the record keeps
// the cost of a file small: the paths lie back to back in one buffer and an occurrence names
// its file by number, the keys lie back to back in a few blocks, and a key met once holds no
// list of its own. Only the few keys met more
// than once become path strings, when the conflicts are taken.
namespace VELMORA::NEVRA::Platform {

class NameOccurrences {
public:
    NameOccurrences() = default;
    NameOccurrences(const NameOccurrences&) = delete;
    NameOccurrences& operator=(const NameOccurrences&) = delete;

    // One occurrence of `key` in the file at `path`.
    void Add(std::string_view key, const std::string& path);

    std::size_t KeyCount() const { return keys_.size(); }
    void ReserveKeys(std::size_t count) { keys_.reserve(count); }
    // The files of every occurrence of `key`, in the order found; empty for a key never met.
    std::vector<std::string> Files(const std::string& key) const;
    // Every key met more than once with its files. Leaves the record empty.
    KxResourceConflictList TakeConflicts();

private:
    struct Occurrences {
        std::uint32_t first = 0;         // the file of the first occurrence
        std::vector<std::uint32_t> more; // the files of the others
    };

    std::uint32_t FileNumber(const std::string& path);
    std::vector<std::string> PathsOf(const Occurrences& occurrences) const;
    std::string_view KeepKey(std::string_view key);

    // The keys lie in blocks that never move, so the table holds views of them.
    std::vector<std::unique_ptr<char[]>> keyBlocks_;
    char* keyFree_ = nullptr;
    std::size_t keyLeft_ = 0;
    std::unordered_map<std::string_view, Occurrences> keys_;
    // The entries of keys_ met more than once, in the order they became so: taking the
    // conflicts visits these instead of the whole table. Entries of an unordered_map keep
    // their address when it grows.
    std::vector<std::pair<const std::string_view, Occurrences>*> repeated_;
    std::string paths_;               // every file's path, back to back
    std::vector<std::size_t> starts_; // where each file's path begins in paths_
};

} // namespace VELMORA::NEVRA::Platform

// Turns one file into the keys it defines.
using ConflictCollector =
    std::function<void(VELMORA::NEVRA::Platform::NameOccurrences&, const std::string&)>;

// Walks the top level of every directory in list order and hands every regular file to the
// collector. A missing or unreadable directory contributes nothing; an entry whose kind can no
// longer be read throws, and then no partial result is returned.
KxResourceConflictList FindConflicts(const std::vector<std::string>& dirs,
                                     ConflictCollector collector);

// The file name, lower-cased as the C locale does it (only A-Z change).
void CollectFileName(VELMORA::NEVRA::Platform::NameOccurrences& occurrences,
                     const std::string& path);
// The "name" of every "Menu" element directly below the root element; a file that is not XML
// contributes nothing.
void CollectMenuNames(VELMORA::NEVRA::Platform::NameOccurrences& occurrences,
                      const std::string& path);
// As CollectMenuNames, for "Action" elements.
void CollectActionNames(VELMORA::NEVRA::Platform::NameOccurrences& occurrences,
                        const std::string& path);

class KxResourceConfilct {
public:
    virtual ~KxResourceConfilct() = default;
    virtual KxResourceConflictList Check(const std::vector<std::string>& dirs) const = 0;

protected:
    KxResourceConfilct() = default;
    KxResourceConfilct(const KxResourceConfilct&) = delete;
    KxResourceConfilct& operator=(const KxResourceConfilct&) = delete;
};

// Command files, by file name.
class KxResourceConfilctCommand final : public KxResourceConfilct {
public:
    KxResourceConflictList Check(const std::vector<std::string>& dirs) const override;
};

// Action names, in the current user's action folder only: the actions of every package end up
// there, so the directories it is given are not looked at.
class KxResourceConfilctAction final : public KxResourceConfilct {
public:
    KxResourceConflictList Check(const std::vector<std::string>& dirs) const override;
};

// Context menu names.
class KxResourceConfilctContext final : public KxResourceConfilct {
public:
    KxResourceConflictList Check(const std::vector<std::string>& dirs) const override;
};

// Form files, by file name.
class KxResourceConfilctForm final : public KxResourceConfilct {
public:
    KxResourceConflictList Check(const std::vector<std::string>& dirs) const override;
};

// Icon files, by file name.
class KxResourceConfilctIcon final : public KxResourceConfilct {
public:
    KxResourceConflictList Check(const std::vector<std::string>& dirs) const override;
};

// Compiled resource packages, by file name.
class KxResourceConfilctQrc final : public KxResourceConfilct {
public:
    KxResourceConflictList Check(const std::vector<std::string>& dirs) const override;
};

// Text files, by file name.
class KxResourceConfilctText final : public KxResourceConfilct {
public:
    KxResourceConflictList Check(const std::vector<std::string>& dirs) const override;
};

// Documents, by file name.
class KxResourceConfilctDoc final : public KxResourceConfilct {
public:
    KxResourceConflictList Check(const std::vector<std::string>& dirs) const override;
};
