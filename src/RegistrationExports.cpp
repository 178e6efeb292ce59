// The registration exports: thin forwarders to the package manager that let no error escape.
#include <orvane/Orvane.h>

#include "FilePath.h"
#include "KxPackageMgrImpl.h"

#include <vector>

using VELMORA::NEVRA::Platform::FilePath;
using VELMORA::NEVRA::Platform::KxPackageMgrImpl;

extern "C" ORVANE_API std::int32_t KxReg(const char* dll, const char* resourceDir) {
    return KxRegEx(dll, resourceDir, KxExternal);
}

extern "C" ORVANE_API std::int32_t KxRegEx(const char* dll, const char* resourceDir,
                                           std::int32_t type) {
    try {
        // Every number is kept as given: one that names no stage is stored all the same.
        return KxPackageMgrImpl::Instance().RegEx(dll, resourceDir,
                                                  static_cast<KxPackageType>(type));
    } catch (...) {
        return -1;
    }
}

extern "C" ORVANE_API void KxUnReg(const char* dll) {
    if (dll == nullptr) {
        return;
    }
    try {
        const std::string normalised = FilePath(dll).Str();
        KxPackageMgrImpl::Instance().UnReg(normalised.c_str());
    } catch (...) {
        // A path the parser rejects names no package.
    }
}

extern "C" ORVANE_API void KxRegClear(void) {
    try {
        KxPackageMgrImpl::Instance().Clear();
    } catch (...) {
    }
}

extern "C" ORVANE_API void KxRegList(KxRegListListener* listener) {
    if (listener == nullptr) {
        return;
    }
    std::vector<KxPackageMgrImpl::ListEntry> entries;
    std::vector<KxRegListItem> items;
    try {
        entries = KxPackageMgrImpl::Instance().List();
        items.reserve(entries.size());
        for (const auto& entry : entries) {
            items.push_back({entry.ownerId, entry.id, entry.path.c_str()});
        }
    } catch (...) {
        // Out of memory: the listener hears of no package rather than of some.
        items.clear();
    }
    try {
        listener->OnList(static_cast<std::uint32_t>(items.size()),
                         items.empty() ? nullptr : items.data());
    } catch (...) {
        // The listener is the caller's code; its failure is its own to report.
    }
}
