#include "UserFolderLock.h"

#include "FilePath.h"
#include "FileSystem.h"

namespace VELMORA::NEVRA::Platform {

namespace {

constexpr char kLockFileName[] = "Orvane.lock";

// The ranges of the lock file.
constexpr std::uint64_t kGate = 0;
constexpr std::uint64_t kPresence = 1;
constexpr std::uint64_t kFirstSlot = 2;

} // namespace

UserFolderLock::UserFolderLock(const std::string& folder) {
    try {
        CreateDirsOrFail(folder);
        FilePath path(folder);
        path_ = path.ToDirectoryForm().SetFileName(kLockFileName).Str();
        Join();
    } catch (const std::exception& error) {
        Fail(error.what());
    }
}

UserFolderLock::~UserFolderLock() {
    Sys::CloseLockFile(file_);
}

void UserFolderLock::Join() {
    file_ = Sys::OpenLockFile(path_);
    if (file_ == nullptr) {
        return Fail("cannot open " + path_ + ": " + Sys::ErrorText(Sys::LastError()));
    }
    if (!Sys::LockRange(file_, kGate, Sys::LockMode::Exclusive, Sys::LockWait::Block)) {
        return Fail("cannot lock " + path_ + ": " + Sys::ErrorText(Sys::LastError()));
    }
    gateHeld_ = true;
    // Under the gate nobody else probes presence, so the exclusive probe and the shared lock
    // that replaces it leave no gap another copy could slip through.
    alone_ = Sys::LockRange(file_, kPresence, Sys::LockMode::Exclusive, Sys::LockWait::Fail);
    if (alone_) {
        Sys::UnlockRange(file_, kPresence);
    }
    if (!Sys::LockRange(file_, kPresence, Sys::LockMode::Shared, Sys::LockWait::Fail)) {
        return Fail("cannot lock " + path_ + ": " + Sys::ErrorText(Sys::LastError()));
    }
    for (slot_ = 0; slot_ < kSlots; ++slot_) {
        if (Sys::LockRange(file_, kFirstSlot + slot_, Sys::LockMode::Exclusive,
                           Sys::LockWait::Fail)) {
            return;
        }
    }
    // Every slot is taken: the others stay safe from this copy, whose names come after theirs.
    failure_ = "more than " + std::to_string(kSlots) + " hosts share " + path_;
    alone_ = false;
    EndSetup();
}

void UserFolderLock::Fail(const std::string& what) {
    failure_ = what;
    EndSetup();
    Sys::CloseLockFile(file_);
    file_ = nullptr;
    // Without coordination this copy behaves as a host alone on its home does.
    alone_ = true;
    slot_ = 0;
}

void UserFolderLock::EndSetup() {
    if (gateHeld_) {
        Sys::UnlockRange(file_, kGate);
        gateHeld_ = false;
    }
}

} // namespace VELMORA::NEVRA::Platform
