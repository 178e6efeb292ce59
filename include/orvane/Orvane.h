// The platform library's C exports and the caller-side listener interfaces.
#pragma once

#include <orvane/KxModuleMgr.h>
#include <orvane/KxPackageMgr.h>
#include <orvane/OrvaneExport.h>

#include <cstddef>
#include <cstdint>

// Package registration types.
enum KxPackageType : std::int32_t {
    KxInternalPre = 0,
    KxInternalPost = 1,
    KxExternal = 2,
};

// One package of KxRegList; `path` is valid only during the listener call.
struct KxRegListItem {
    std::uint32_t ownerId;
    std::uint32_t id;
    const char* path;
};
static_assert(sizeof(KxRegListItem) == 16, "KxRegListItem is 16 bytes");
static_assert(offsetof(KxRegListItem, ownerId) == 0, "ownerId at 0");
static_assert(offsetof(KxRegListItem, id) == 4, "id at 4");
static_assert(offsetof(KxRegListItem, path) == 8, "path at 8");

// One resource name defined more than once, with every file it occurs in (once per occurrence).
struct KxResourceConflictItem {
    std::uint32_t pathCount;
    const char* name;
    const char* const* paths;
};
static_assert(sizeof(KxResourceConflictItem) == 24, "KxResourceConflictItem is 24 bytes");
static_assert(offsetof(KxResourceConflictItem, pathCount) == 0, "pathCount at 0");
static_assert(offsetof(KxResourceConflictItem, name) == 8, "name at 8");
static_assert(offsetof(KxResourceConflictItem, paths) == 16, "paths at 16");

// Listeners: the platform calls the operation after the destructor, once per export call.
// Everything passed is valid only during that call.
class KxRegListListener {
public:
    virtual ~KxRegListListener() = default;
    virtual void OnList(std::uint32_t count, const KxRegListItem* items) = 0;
};

class KxResourcePathListListener {
public:
    virtual ~KxResourcePathListListener() = default;
    virtual void OnPaths(std::uint32_t count, const char* const* paths) = 0;
};

class KxResourceCheckPathListListener {
public:
    virtual ~KxResourceCheckPathListListener() = default;
    virtual void OnConflicts(std::uint32_t count, const KxResourceConflictItem* items) = 0;
};

// Resource types of KxResourcePathList and KxResourceCheckPathList.
enum KxResourceType : std::int32_t {
    KxResourceCommands = 0,
    KxResourceActions = 1,
    KxResourceContext = 2,
    KxResourceForms = 3,
    KxResourceIcons = 4,
    KxResourceQrc = 5,
    KxResourceText = 6,
    KxResourceDoc = 7,
};

extern "C" {
// 0 when start-up completed, 1 when it failed (the log says why).
ORVANE_API int OrvaneInit(void);
// Unregisters every package, last first, and stops the log. Always 0.
ORVANE_API int OrvaneExit(void);

ORVANE_API std::int32_t KxReg(const char* dll, const char* resourceDir);
ORVANE_API std::int32_t KxRegEx(const char* dll, const char* resourceDir, std::int32_t type);
ORVANE_API void KxUnReg(const char* dll);
ORVANE_API void KxRegClear(void);
ORVANE_API void KxRegList(KxRegListListener* listener);

ORVANE_API void KxResourcePathList(std::int32_t type, KxResourcePathListListener* listener);
ORVANE_API void KxResourceCheckPathList(std::int32_t type,
                                        KxResourceCheckPathListListener* listener);
}
