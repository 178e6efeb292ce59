// Writes log records at the edges of the log library's life, for the tests to read back:
// "before" ahead of KxLogInit, "inside" in <dir>/KxLog.log, and "late" from an exit handler that
// runs after the library's static destructors, with the log never closed. The library is loaded
// after the handler is registered, so its destructors run first.
#include <QLibrary>

#include <cstdlib>

using Record = void (*)(const char*, const char*, int, const char*);
static Record fatal = [](const char*, const char*, int, const char*) {};

// KxLogProbe <output directory>
int main(int argc, char** argv) {
    std::atexit([] { fatal("Probe", "KxLogProbe", 3, "late"); });
    QLibrary library(KXLOG_LIBRARY);
    if (argc != 2 || !library.load()) {
        return 2;
    }
    const auto info = reinterpret_cast<Record>(library.resolve("KxInfo"));
    info("Probe", "KxLogProbe", 1, "before");
    reinterpret_cast<void (*)(const char*)>(library.resolve("KxLogSetOutputPath"))(argv[1]);
    reinterpret_cast<void (*)()>(library.resolve("KxLogInit"))();
    info("Probe", "KxLogProbe", 2, "inside");
    fatal = reinterpret_cast<Record>(library.resolve("KxFatal"));
    return 0;
}
