// An old application that stays installed but is switched off in the application list.
#include "DemoSupport.h"

#include <orvane/KxPackageMgr.h>

using VELMORA::NEVRA::Platform::KxModuleMgr;
using VELMORA::NEVRA::Platform::KxPackageMgr;

KX_PACKAGE_ENTRY LegacyInit(KxPackageMgr*, KxModuleMgr*) {
    demo::Event("Init Legacy");
    return 0;
}

KX_PACKAGE_ENTRY LegacyExit(KxPackageMgr*, KxModuleMgr*) {
    demo::Event("Exit Legacy");
    return 0;
}
