// The report module, loaded after every application.
#include "DemoSupport.h"

#include <orvane/KxPackageMgr.h>

using VELMORA::NEVRA::Platform::KxModuleMgr;
using VELMORA::NEVRA::Platform::KxPackageMgr;

KX_PACKAGE_ENTRY DemoReportInit(KxPackageMgr*, KxModuleMgr*) {
    demo::Event("Init DemoReport");
    return 0;
}

KX_PACKAGE_ENTRY DemoReportExit(KxPackageMgr*, KxModuleMgr*) {
    demo::Event("Exit DemoReport");
    return 0;
}
