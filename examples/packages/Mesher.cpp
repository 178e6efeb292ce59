// The mesher application. Its refinement plug-in lies in Plugins/ beside it and is registered
// from inside Init, which makes it a child of the mesher; Exit unregisters it again.
#include "DemoSupport.h"

#include <orvane/KxPackageMgr.h>

#include <string>

using VELMORA::NEVRA::Platform::KxModuleMgr;
using VELMORA::NEVRA::Platform::KxPackageMgr;

namespace {

std::string PluginPath() {
    return demo::LibraryDirectory(reinterpret_cast<const void*>(&PluginPath)) + "Plugins" +
           demo::Separator() + "MeshRefine" + demo::LibrarySuffix();
}

} // namespace

KX_PACKAGE_ENTRY MesherInit(KxPackageMgr* packages, KxModuleMgr*) {
    demo::Event("Init Mesher");
    return packages->Reg(PluginPath().c_str(), nullptr) == 0 ? 0 : 1;
}

KX_PACKAGE_ENTRY MesherExit(KxPackageMgr* packages, KxModuleMgr*) {
    demo::Event("Exit Mesher");
    packages->UnReg(PluginPath().c_str());
    return 0;
}
