// The mesher's refinement plug-in; the mesher registers it.
#include "DemoSupport.h"

#include <orvane/KxPackageMgr.h>

using VELMORA::NEVRA::Platform::KxModuleMgr;
using VELMORA::NEVRA::Platform::KxPackageMgr;

KX_PACKAGE_ENTRY MeshRefineInit(KxPackageMgr*, KxModuleMgr*) {
    demo::Event("Init MeshRefine");
    return 0;
}

KX_PACKAGE_ENTRY MeshRefineExit(KxPackageMgr*, KxModuleMgr*) {
    demo::Event("Exit MeshRefine");
    return 0;
}
