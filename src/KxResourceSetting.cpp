#include "KxResourceSetting.h"

#include "FilePath.h"
#include "SettingStore.h"

using VELMORA::NEVRA::Platform::FilePath;

KxResourceSetting::KxResourceSetting(const std::string& root)
    : root_(FilePath(root).ToDirectoryForm().Str()) {}

// The default-side copies stay until the next library load rebuilds the default tree; only the
// user-side files of this root's copies go with it.
KxResourceSetting::~KxResourceSetting() {
    SettingStore::Instance().DeleteCopies(ids_);
}

std::int32_t KxResourceSetting::Load() {
    if (!root_.empty()) {
        ids_ = SettingStore::Instance().CopyDefaults(root_);
    }
    // A resource root ships at least one setting file; one without any is broken.
    return ids_.empty() ? -1 : 0;
}
