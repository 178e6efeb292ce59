// A package without entry points of its own, linked against EntryDonor.so, which defines
// BorrowsEntriesInit and BorrowsEntriesExit.
#include <orvane/OrvaneExport.h>

extern "C" int EntryDonorAnswer();

extern "C" ORVANE_EXPORT int BorrowsEntriesAnswer() {
    return EntryDonorAnswer();
}
