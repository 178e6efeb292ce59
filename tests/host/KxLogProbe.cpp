// Writes log records at the edges of the log library's life, for the tests to read back:
// "before" ahead of KxLogInit, "inside" in <dir>/KxLog.log, "after" once KxLogExit ran (mode
// "exit"), and "late" from an exit handler that runs after the library's static destructors.
// The library is loaded after the handler is registered, so its destructors run first.
#include <QLibrary>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using Record = void (*)(const char*, const char*, int, const char*);
Record fatal = nullptr;

void LateRecord() {
    if (fatal != nullptr) {
        fatal("Probe", "KxLogProbe", 3, "late");
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: KxLogProbe <output directory> exit|noexit\n");
        return 2;
    }
    std::atexit(LateRecord);
    QLibrary library(KXLOG_LIBRARY);
    if (!library.load()) {
        std::fprintf(stderr, "%s\n", qPrintable(library.errorString()));
        return 3;
    }
    const auto setOutputPath =
        reinterpret_cast<void (*)(const char*)>(library.resolve("KxLogSetOutputPath"));
    const auto init = reinterpret_cast<void (*)()>(library.resolve("KxLogInit"));
    const auto exit = reinterpret_cast<void (*)()>(library.resolve("KxLogExit"));
    const auto info = reinterpret_cast<Record>(library.resolve("KxInfo"));
    const auto error = reinterpret_cast<Record>(library.resolve("KxError"));
    fatal = reinterpret_cast<Record>(library.resolve("KxFatal"));

    info("Probe", "KxLogProbe", 1, "before");
    setOutputPath(argv[1]);
    init();
    info("Probe", "KxLogProbe", 2, "inside");
    if (std::strcmp(argv[2], "exit") == 0) {
        exit();
        error("Probe", "KxLogProbe", 4, "after");
    }
    return 0;
}
