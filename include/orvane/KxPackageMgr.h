// The interface every package entry point receives, and the entry point contract itself.
//
// A package library "Solver.so" exports
//     KX_PACKAGE_ENTRY SolverInit(KxPackageMgr* packages, KxModuleMgr* modules);
//     KX_PACKAGE_ENTRY SolverExit(KxPackageMgr* packages, KxModuleMgr* modules);
// both returning 0 for success. Packages registered from inside Init become its children.
#pragma once

#include <orvane/KxModuleMgr.h>
#include <orvane/OrvaneExport.h>

#include <cstdint>

namespace VELMORA::NEVRA::Platform {

class KxPackageMgr {
public:
    virtual ~KxPackageMgr() = default;
    // Registers a package with the type of the registration in progress; 0 or -1.
    // `resourceDir` may be null: the resource root is then found beside the library.
    virtual std::int32_t Reg(const char* dll, const char* resourceDir) = 0;
    // Unregisters a package of the current type; the children of an exiting package first.
    virtual void UnReg(const char* dll) = 0;
};

using KxPackageEntry = std::int32_t (*)(KxPackageMgr* packages, KxModuleMgr* modules);

} // namespace VELMORA::NEVRA::Platform

#define KX_PACKAGE_ENTRY extern "C" ORVANE_EXPORT std::int32_t
