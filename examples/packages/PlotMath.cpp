// The plotter's own helper library; not a package.
#include <orvane/OrvaneExport.h>

extern "C" ORVANE_EXPORT double PlotMathScale(double value) {
    return value * 2.54;
}
