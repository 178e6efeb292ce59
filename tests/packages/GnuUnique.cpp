// Gives a package a GNU-unique symbol: the static local of an inline function that other
// libraries can see. While such a symbol is defined, the system never unloads the library.
#include <orvane/OrvaneExport.h>

inline int& SharedCounter() {
    static int counter = 0;
    return counter;
}

extern "C" ORVANE_EXPORT int GnuUniqueCount() {
    return ++SharedCounter();
}
