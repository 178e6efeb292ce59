// How hosts that share one per-user folder keep out of each other's way. Every live copy of the
// platform holds a lock file in that folder open for as long as it is loaded, with three kinds
// of one-byte ranges locked in it:
// - the gate, exclusive, held only while a copy sets itself up at library load, so that two
//   copies never decide at once whether they are alone;
// - presence, shared by every live copy; a copy that can lock it exclusively (under the gate)
//   is alone, and only a copy alone may rebuild the shared default tree or delete copies that
//   earlier runs left behind;
// - one slot per live copy, exclusive, whose number keeps its setting copies' names apart from
//   every other live copy's. A copy alone always takes slot 0.
// The locks go with the file when the copy is unloaded or its process ends in any way, so a
// crashed host never blocks the next one.
#pragma once

#include "Sys.h"

#include <string>

namespace VELMORA::NEVRA::Platform {

class UserFolderLock final {
public:
    // How many hosts may share one per-user folder at once.
    static constexpr unsigned kSlots = 100;

    // Joins the hosts of `folder` (created if missing) and holds the gate until EndSetup. When
    // the lock file cannot be had, the copy goes on as if it were alone and Failure() says why.
    explicit UserFolderLock(const std::string& folder);
    ~UserFolderLock();
    UserFolderLock(const UserFolderLock&) = delete;
    UserFolderLock& operator=(const UserFolderLock&) = delete;

    // Lets the next host set itself up.
    void EndSetup();

    bool Alone() const { return alone_; }
    unsigned Slot() const { return slot_; }
    // Why the hosts of the folder could not be coordinated; empty when they are.
    const std::string& Failure() const { return failure_; }

private:
    void Join();
    void Fail(const std::string& what);

    std::string path_;
    Sys::LockFileHandle file_ = nullptr;
    bool gateHeld_ = false;
    bool alone_ = true;
    unsigned slot_ = 0;
    std::string failure_;
};

} // namespace VELMORA::NEVRA::Platform
