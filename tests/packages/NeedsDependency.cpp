// A package linked against PackageDependency.so, without an rpath.
#include <orvane/KxPackageMgr.h>

extern "C" int PackageDependencyAnswer();

using VELMORA::NEVRA::Platform::KxModuleMgr;
using VELMORA::NEVRA::Platform::KxPackageMgr;

KX_PACKAGE_ENTRY NeedsDependencyInit(KxPackageMgr*, KxModuleMgr*) {
    return PackageDependencyAnswer() == 42 ? 0 : 1;
}
KX_PACKAGE_ENTRY NeedsDependencyExit(KxPackageMgr*, KxModuleMgr*) {
    return 0;
}
