// The plotter application, installed outside the product's folders and named by its absolute
// path. It needs PlotMath.so, which lies beside it; the platform lets the loader find it there.
#include "DemoSupport.h"

#include <orvane/KxPackageMgr.h>

using VELMORA::NEVRA::Platform::KxModuleMgr;
using VELMORA::NEVRA::Platform::KxPackageMgr;

extern "C" double PlotMathScale(double value);

KX_PACKAGE_ENTRY PlotterInit(KxPackageMgr*, KxModuleMgr*) {
    demo::Event("Init Plotter");
    return PlotMathScale(1.0) > 0.0 ? 0 : 1;
}

KX_PACKAGE_ENTRY PlotterExit(KxPackageMgr*, KxModuleMgr*) {
    demo::Event("Exit Plotter");
    return 0;
}
