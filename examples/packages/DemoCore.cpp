// The product's core module, loaded first: it brings the icons, menus, translations, help and
// browser profile every other package builds on, and registers the product's database module.
#include "DemoSupport.h"

#include <orvane/KxPackageMgr.h>

using VELMORA::NEVRA::Platform::KxModuleMgr;
using VELMORA::NEVRA::Platform::KxPackageMgr;

namespace {
// The database module of the product's model data.
constexpr std::uint32_t ModelDatabase = 4711;
} // namespace

KX_PACKAGE_ENTRY DemoCoreInit(KxPackageMgr*, KxModuleMgr* modules) {
    demo::Event("Init DemoCore");
    // Without its database the product cannot work: refusing to start says so at start-up.
    return modules->RegisterModule(ModelDatabase, 0) == 0 ? 0 : 1;
}

KX_PACKAGE_ENTRY DemoCoreExit(KxPackageMgr*, KxModuleMgr* modules) {
    demo::Event("Exit DemoCore");
    modules->UnregisterModule(ModelDatabase);
    return 0;
}
