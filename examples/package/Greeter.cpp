// A minimal package. The library is Greeter.so, so its entry points are GreeterInit and
// GreeterExit; both return 0 for success.
#include <orvane/KxPackageMgr.h>

using VELMORA::NEVRA::Platform::KxModuleMgr;
using VELMORA::NEVRA::Platform::KxPackageMgr;

namespace {
// The id under which the package's data lives in the host's database.
constexpr std::uint32_t GreeterDatabase = 9001;
} // namespace

// Runs once when the platform registers the package. Packages registered here through
// `packages` become children of this one; `modules` reaches the host's database library.
KX_PACKAGE_ENTRY GreeterInit(KxPackageMgr* /*packages*/, KxModuleMgr* modules) {
    return modules->RegisterModule(GreeterDatabase, 0) == 0 ? 0 : 1;
}

// Runs when the package is unregistered, before its library is unloaded.
KX_PACKAGE_ENTRY GreeterExit(KxPackageMgr* /*packages*/, KxModuleMgr* modules) {
    modules->UnregisterModule(GreeterDatabase);
    return 0;
}
