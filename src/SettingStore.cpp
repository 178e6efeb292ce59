#include "SettingStore.h"

#include "FilePath.h"
#include "FileSystem.h"
#include "KxResourceLang.h"
#include "Layout.h"
#include "Log.h"
#include "QtFileName.h"
#include "ResourceKind.h"
#include "SettingFiles.h"
#include "Sys.h"

#include <Kaldor_Config/IUserFolderMgr.h>
#include <UserInterface/XnUi.h>

#include <QString>

#include <exception>
#include <regex>

using VELMORA::NEVRA::Platform::CreateDirs;
using VELMORA::NEVRA::Platform::DirIterator;
using VELMORA::NEVRA::Platform::Existing;
using VELMORA::NEVRA::Platform::FilePath;
using VELMORA::NEVRA::Platform::FolderPath;
using VELMORA::NEVRA::Platform::IsSettingFile;
using VELMORA::NEVRA::Platform::IsTemporaryName;
using VELMORA::NEVRA::Platform::kSettingFileExtension;
using VELMORA::NEVRA::Platform::LogDirectory;
using VELMORA::NEVRA::Platform::PathExists;
using VELMORA::NEVRA::Platform::PlaceCopy;
using VELMORA::NEVRA::Platform::ProductName;
using VELMORA::NEVRA::Platform::QtFileName;
using VELMORA::NEVRA::Platform::RemoveEntry;
using VELMORA::NEVRA::Platform::RemoveTree;
using VELMORA::NEVRA::Platform::ResourceDir;
using VELMORA::NEVRA::Platform::ResourceKind;
using VELMORA::NEVRA::Platform::SettingFiles;
using VELMORA::NEVRA::Platform::UserFolderLock;
using VELMORA::NEVRA::Platform::UserLibraryDirectory;
namespace Sys = VELMORA::NEVRA::Platform::Sys;

namespace {

// Setting groups, in the order their copies are made, with the resource directory kind their
// default files come from.
struct GroupDefaults {
    SettingGroup group;
    ResourceKind source;
};

constexpr GroupDefaults kGroups[] = {
    {SettingGroup::Action, ResourceKind::DefaultActions},
    {SettingGroup::Environment2Controls, ResourceKind::DefaultControls},
    {SettingGroup::Environment10Controls, ResourceKind::DefaultControls},
    {SettingGroup::Environment13Controls, ResourceKind::DefaultControls}};

constexpr std::size_t kIdDigits = 7;

// Appends the group's sub-path.
void AppendGroup(FilePath& dir, SettingGroup group) {
    switch (group) {
    case SettingGroup::Action:
        dir.AppendDir("Action");
        return;
    case SettingGroup::Environment2Controls:
        dir.AppendDir("Environment-2").AppendDir("Controls");
        return;
    case SettingGroup::Environment10Controls:
        dir.AppendDir("Environment-10").AppendDir("Controls");
        return;
    case SettingGroup::Environment13Controls:
        dir.AppendDir("Environment-13").AppendDir("Controls");
        return;
    }
}

// The current profile's role directory without one leading separator; false when the
// user-interface library has no current profile, in which case the user has no role folders.
bool CurrentRoleDirectory(std::string& role) {
    XnUi::ProfileManager* manager = XnUi::GetProfileManager();
    XnUi::Profile* profile = manager != nullptr ? manager->profile() : nullptr;
    if (profile == nullptr) {
        return false;
    }
    role = profile->userRoleDir().toStdString();
    if (!role.empty() && (role.front() == '\\' || role.front() == '/')) {
        role.erase(0, 1);
    }
    return true;
}

std::string CopyPath(const std::string& folder, const std::string& name) {
    FilePath path(folder);
    return path.SetStem(name).SetExtension(kSettingFileExtension).Str();
}

// Deleting setting copies happens while the library loads, in destructors and while it
// unloads, where an exception would end the process: a copy that cannot be deleted is named in
// the log with the reason, and the work goes on with the next one. It is tried again at unload
// and at the next load.
void ReportFailure(const std::string& what, const char* reason) noexcept {
    try {
        KX_LOG_ERROR(what + ": " + reason);
    } catch (...) {
        // Nowhere left to report to; the caller still goes on.
    }
}

void DeleteCopy(const std::string& path, const char* kind) noexcept {
    try {
        RemoveEntry(path);
    } catch (const std::exception& error) {
        ReportFailure(std::string("cannot delete ") + kind + " " + path, error.what());
    } catch (...) {
        ReportFailure(std::string("cannot delete ") + kind + " " + path, "unknown error");
    }
}

// One step of building the store; it runs inside the system's library loader, so a failure is
// logged and the following steps still run.
template <typename Step> void AtLoad(const char* what, Step step) noexcept {
    try {
        step();
    } catch (const std::exception& error) {
        ReportFailure(std::string("setting store: cannot ") + what, error.what());
    } catch (...) {
        ReportFailure(std::string("setting store: cannot ") + what, "unknown error");
    }
}

} // namespace

std::string PreferenceDirectory() {
    return LogDirectory() + "cae_pr_" + Sys::NativeSeparator();
}

std::string SettingsDirectory() {
    return PreferenceDirectory() + "Settings" + Sys::NativeSeparator();
}

std::string SettingDirectory(SettingGroup group, bool defaults) {
    std::string role;
    const bool hasProfile = CurrentRoleDirectory(role);
    std::string base;
    if (defaults) {
        base = SettingsDirectory();
        role = "Default";
    } else {
        // Without a profile, or without a roles folder, the user has no side to write to or
        // delete from; a relative path here would reach into the working directory.
        if (!hasProfile) {
            return std::string();
        }
        base = FolderPath(UserFolderRoles);
        if (base.empty()) {
            return std::string();
        }
    }
    FilePath dir(base);
    dir.ToDirectoryForm().AppendDir(role);
    AppendGroup(dir, group);
    return dir.Str();
}

std::string LocaleActionDirectory(const std::string& code, bool defaults) {
    const std::string action = SettingDirectory(SettingGroup::Action, defaults);
    if (action.empty()) {
        return action;
    }
    FilePath dir(action);
    return dir.AppendDir(code).Str();
}

SettingStore::SettingStore() {
    DeleteAllCopies();
    AtLoad("coordinate with other hosts on this home", [this] {
        lock_ = std::make_unique<UserFolderLock>(LogDirectory());
        nextId_ = (lock_->Slot() + 1) * idsPerSlot;
        if (!lock_->Failure().empty()) {
            ReportFailure("setting store: cannot coordinate with other hosts on this home",
                          lock_->Failure().c_str());
        }
    });
    AtLoad("read the host's locale", [this] {
        locale_ = HostLocaleCode();
        hasLocaleActionDir_ = PathExists(LocaleActionDirectory(locale_, false));
    });
    // Alone, a load starts from an empty default tree that the resources loaded in this process
    // fill again; beside another live host the tree holds that host's copies, and stays.
    AtLoad("rebuild the default settings tree", [this] {
        const std::string settings = SettingsDirectory();
        if (Alone() && PathExists(settings)) {
            RemoveTree(settings, true);
        }
        CreateDirs(settings);
    });
    AtLoad("add the preference directory to the user-interface search path", [] {
        QString name;
        if (QtFileName(PreferenceDirectory(), "adding the preference directory", name)) {
            XnUi::AddPath(name);
        }
    });
    if (Alone()) {
        RemoveStale();
        // Made under a temporary name by a host that ended before it could rename or delete
        // them; with others alive, one may be in the making.
        RemoveTemporaries();
    }
    if (lock_ != nullptr) {
        lock_->EndSetup();
    }
}

SettingStore::~SettingStore() {
    DeleteAllCopies();
}

bool SettingStore::Alone() const {
    return lock_ == nullptr || lock_->Alone();
}

std::string SettingStore::NextId() {
    --nextId_;
    std::string text = std::to_string(nextId_);
    if (text.size() < kIdDigits) {
        text.insert(0, kIdDigits - text.size(), '0');
    }
    return text;
}

std::vector<std::uint32_t> SettingStore::CopyDefaults(const std::string& root) {
    std::vector<std::vector<std::string>> sources;
    for (const GroupDefaults& group : kGroups) {
        sources.push_back(SettingFiles(ResourceDir(root, group.source)));
    }
    std::vector<std::uint32_t> made;
    for (std::size_t g = 0; g < std::size(kGroups); ++g) {
        const std::string defaults = SettingDirectory(kGroups[g].group, true);
        // The user-interface library expects every group folder, also an empty one.
        if (!PathExists(defaults)) {
            CreateDirs(defaults);
        }
        const std::string user = SettingDirectory(kGroups[g].group, false);
        for (const std::string& file : sources[g]) {
            const std::string name = ProductName() + NextId();
            const std::uint32_t id = nextId_;
            PlaceCopy(file, CopyPath(defaults, name), Existing::Replace);
            // The user's own copy of this name is the user-interface library's to write; it is
            // only recorded here, so that it goes when the resource goes.
            if (!user.empty()) {
                copies_[id] = CopyPath(user, name);
            }
            made.push_back(id);
        }
    }
    if (hasLocaleActionDir_) {
        const std::string localeDir = LocaleActionDirectory(locale_, false);
        if (!localeDir.empty()) {
            for (const std::string& file :
                 SettingFiles(ResourceDir(root, ResourceKind::DefaultActions))) {
                const std::string name = ProductName() + NextId();
                const std::uint32_t id = nextId_;
                const std::string target = CopyPath(localeDir, name);
                PlaceCopy(file, target, Existing::Replace);
                copies_[id] = target;
                made.push_back(id);
            }
        }
    }
    return made;
}

void SettingStore::RemoveStale() noexcept {
    AtLoad("remove left-over setting copies", [this] {
        // "NEVRA" in any case followed by nothing but digits: the names this store hands out,
        // and nothing a user could have named otherwise.
        const std::regex leftOver(ProductName() + "\\d*",
                                  std::regex::ECMAScript | std::regex::icase);
        std::vector<std::string> folders;
        for (const GroupDefaults& group : kGroups) {
            folders.push_back(SettingDirectory(group.group, false));
        }
        folders.push_back(LocaleActionDirectory(locale_, false));
        for (const std::string& folder : folders) {
            if (folder.empty() || !PathExists(folder)) {
                continue;
            }
            std::vector<std::string> stale;
            for (DirIterator it(folder), end; it != end; ++it) {
                try {
                    if (IsSettingFile(it) && std::regex_match(it.Path().Stem(), leftOver)) {
                        stale.push_back(*it);
                    }
                } catch (const std::exception& error) {
                    // An entry that vanished or cannot be read is not ours to judge.
                    ReportFailure("cannot examine " + *it, error.what());
                }
            }
            for (const std::string& path : stale) {
                DeleteCopy(path, "left-over setting copy");
            }
        }
    });
}

void SettingStore::RemoveTemporaries() noexcept {
    AtLoad("remove copies left half-made", [this] {
        // The folders of the user's side that the platform itself writes into.
        const std::string folders[] = {LocaleActionDirectory(locale_, false),
                                       UserLibraryDirectory()};
        for (const std::string& folder : folders) {
            if (folder.empty() || !PathExists(folder)) {
                continue;
            }
            std::vector<std::string> stale;
            for (DirIterator it(folder), end; it != end; ++it) {
                if (IsTemporaryName(it.Path().FileName())) {
                    stale.push_back(*it);
                }
            }
            for (const std::string& path : stale) {
                try {
                    RemoveTree(path, true);
                } catch (const std::exception& error) {
                    ReportFailure("cannot delete the half-made copy " + path, error.what());
                }
            }
        }
    });
}

void SettingStore::DeleteCopies(const std::vector<std::uint32_t>& ids) noexcept {
    for (const std::uint32_t id : ids) {
        try {
            const auto copy = copies_.find(id);
            if (copy != copies_.end() && PathExists(copy->second)) {
                DeleteCopy(copy->second, "setting copy");
            }
        } catch (...) {
            // Out of memory before the path could be asked for: tried again at unload.
        }
    }
}

void SettingStore::DeleteAllCopies() noexcept {
    for (const auto& copy : copies_) {
        try {
            if (PathExists(copy.second)) {
                DeleteCopy(copy.second, "setting copy");
            }
        } catch (...) {
            // Out of memory: the copy goes at the next load of a host alone on this home.
        }
    }
}
