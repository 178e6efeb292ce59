#include "OwnLogRecords.h"

#include <KxLog/KxLog.h>

#include <sstream>

namespace kaldor {

namespace {

void Collect(const char* line, void* context) {
    try {
        static_cast<std::string*>(context)->append(line);
    } catch (...) {
        // Out of memory: the report lacks the record; the log file still has it.
    }
}

using SetTap = decltype(&KxLogSetTap);

} // namespace

OwnLogRecords::OwnLogRecords(const Installation& installation) {
    std::string error;
    library_ = SharedLibrary::Open((installation.Bin() / "KxLog.so").string(), error);
    if (const auto setTap = library_.Find<SetTap>("KxLogSetTap")) {
        setTap(Collect, &text_);
    }
}

OwnLogRecords::~OwnLogRecords() {
    if (const auto setTap = library_.Find<SetTap>("KxLogSetTap")) {
        setTap(nullptr, nullptr);
    }
}

std::vector<LogRecord> OwnLogRecords::Records() const {
    std::istringstream in(text_);
    return ParseLogRecords(in);
}

} // namespace kaldor
