// A package with its Init and without its Exit: half a package is none.
#include <orvane/KxPackageMgr.h>

using VELMORA::NEVRA::Platform::KxModuleMgr;
using VELMORA::NEVRA::Platform::KxPackageMgr;

KX_PACKAGE_ENTRY OnlyInitInit(KxPackageMgr*, KxModuleMgr*) {
    return 0;
}
