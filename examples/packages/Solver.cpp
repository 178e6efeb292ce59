// The solver application, named relatively in the application list.
#include "DemoSupport.h"

#include <orvane/KxPackageMgr.h>

using VELMORA::NEVRA::Platform::KxModuleMgr;
using VELMORA::NEVRA::Platform::KxPackageMgr;

KX_PACKAGE_ENTRY SolverInit(KxPackageMgr*, KxModuleMgr*) {
    demo::Event("Init Solver");
    return 0;
}

KX_PACKAGE_ENTRY SolverExit(KxPackageMgr*, KxModuleMgr*) {
    demo::Event("Exit Solver");
    return 0;
}
