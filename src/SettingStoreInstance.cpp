#include "SettingStore.h"

namespace {

// Built while the system loads the library, before any export can be called, so that the
// default tree is fresh and left-over copies are gone before the first resource loads;
// destroyed at unload, after the package registry that holds the resources.
SettingStore store;

} // namespace

SettingStore& SettingStore::Instance() {
    return store;
}
