// A package that exports its entry points under the bare names Init and Exit, which the
// platform must not accept.
#include <orvane/KxPackageMgr.h>

using VELMORA::NEVRA::Platform::KxModuleMgr;
using VELMORA::NEVRA::Platform::KxPackageMgr;

KX_PACKAGE_ENTRY Init(KxPackageMgr*, KxModuleMgr*) {
    return 0;
}
KX_PACKAGE_ENTRY Exit(KxPackageMgr*, KxModuleMgr*) {
    return 0;
}
