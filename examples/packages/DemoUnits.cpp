// The units module, loaded right after the core module.
#include "DemoSupport.h"

#include <orvane/KxPackageMgr.h>

using VELMORA::NEVRA::Platform::KxModuleMgr;
using VELMORA::NEVRA::Platform::KxPackageMgr;

KX_PACKAGE_ENTRY DemoUnitsInit(KxPackageMgr*, KxModuleMgr*) {
    demo::Event("Init DemoUnits");
    return 0;
}

KX_PACKAGE_ENTRY DemoUnitsExit(KxPackageMgr*, KxModuleMgr*) {
    demo::Event("Exit DemoUnits");
    return 0;
}
