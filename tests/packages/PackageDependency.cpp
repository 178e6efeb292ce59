// A library that a test package depends on; tests leave it out of an installation to see the
// loader's message.
#include <orvane/OrvaneExport.h>

extern "C" ORVANE_EXPORT int PackageDependencyAnswer() {
    return 42;
}
