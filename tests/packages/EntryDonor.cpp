// A plain library that happens to define the entry points of the package that links it
// (BorrowsEntries.so). The platform must not take them: they are not the package's own.
#include <orvane/KxPackageMgr.h>

using VELMORA::NEVRA::Platform::KxModuleMgr;
using VELMORA::NEVRA::Platform::KxPackageMgr;

KX_PACKAGE_ENTRY BorrowsEntriesInit(KxPackageMgr*, KxModuleMgr*) {
    return 0;
}
KX_PACKAGE_ENTRY BorrowsEntriesExit(KxPackageMgr*, KxModuleMgr*) {
    return 0;
}
extern "C" ORVANE_EXPORT int EntryDonorAnswer() {
    return 42;
}
