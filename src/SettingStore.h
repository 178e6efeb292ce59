// The process-wide record of default setting copies and their user-side counterparts.
#pragma once

#include "UserFolderLock.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

std::string PreferenceDirectory();
std::string SettingsDirectory();
// The setting groups, by the kinds the host numbers them with.
enum class SettingGroup : int {
    Action = 0,
    Environment2Controls = 2,
    Environment10Controls = 3,
    Environment13Controls = 4,
};

// The folder of one setting group, default side or the current user's side; "" for the user's
// side while the user-interface library has no current profile.
std::string SettingDirectory(SettingGroup group, bool defaults);
std::string LocaleActionDirectory(const std::string& code, bool defaults);

class SettingStore {
public:
    // Joins the other hosts of the per-user folder; alone among them, rebuilds the default tree
    // and removes left-over copies. Runs while the library loads, so nothing escapes: what
    // cannot be done is logged and the next step runs.
    SettingStore();
    ~SettingStore(); // deletes every recorded user-side copy that still exists; never throws
    SettingStore(const SettingStore&) = delete;
    SettingStore& operator=(const SettingStore&) = delete;

    // The one store of the library, built while the library loads.
    static SettingStore& Instance();

    std::string NextId();
    std::vector<std::uint32_t> CopyDefaults(const std::string& root);
    // These three never throw: a copy that cannot be deleted is logged and skipped. Left-over
    // copies are only removed by a host alone on its home: with others alive, a copy may be
    // theirs.
    void RemoveStale() noexcept;
    void DeleteCopies(const std::vector<std::uint32_t>& ids) noexcept;
    void DeleteAllCopies() noexcept;
    // Alone on the home: deletes what copies into the user's folders left under their temporary
    // names (a process that ended mid-copy, or could not delete it).
    void RemoveTemporaries() noexcept;

    const std::string& Locale() const { return locale_; }
    // No other live host shares this home (or they cannot be told apart from none).
    bool Alone() const;

private:
    // Set up first and released last, so that the store's whole life counts as a live host.
    std::unique_ptr<VELMORA::NEVRA::Platform::UserFolderLock> lock_;
    // Identifiers count down from just below a slot's block: slot 0, a host alone on its home,
    // hands out 99999, 99998, ...; slot 1 199999, ... . None is left over in another's range
    // before a process made a hundred thousand copies.
    static constexpr std::uint32_t idsPerSlot = 100000;
    std::uint32_t nextId_ = idsPerSlot;
    std::unordered_map<std::uint32_t, std::string> copies_;
    std::string locale_;
    bool hasLocaleActionDir_ = false;
};
