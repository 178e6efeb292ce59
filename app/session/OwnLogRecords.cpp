#include "OwnLogRecords.h"

#include <HostLibraryNames.h>
#include <KxLog/KxLog.h>

#include <sstream>

namespace kaldor {

namespace {

void Collect(const char* line, void* context) {
    try {
        auto& lines = *static_cast<OwnLogRecords::Lines*>(context);
        const std::lock_guard<std::mutex> guard(lines.lock);
        lines.text.append(line);
    } catch (...) {
        // Out of memory: the report lacks the record; the log file still has it.
    }
}

using SetTap = decltype(&KxLogSetTap);

} // namespace

OwnLogRecords::OwnLogRecords(const Installation& installation) {
    std::string error;
    namespace HostLibraryName = VELMORA::NEVRA::Platform::HostLibraryName;
    library_ = SharedLibrary::Open(
        installation.BinFile(HostLibraryName::File(HostLibraryName::Log)), error);
    if (const auto setTap = library_.Find<SetTap>("KxLogSetTap")) {
        setTap(Collect, &lines_);
    }
}

OwnLogRecords::~OwnLogRecords() {
    if (const auto setTap = library_.Find<SetTap>("KxLogSetTap")) {
        setTap(nullptr, nullptr);
    }
}

std::vector<LogRecord> OwnLogRecords::Records() const {
    std::unique_lock<std::mutex> guard(lines_.lock);
    std::istringstream in(lines_.text);
    guard.unlock();
    return orvane::recovery::ParseLogRecords(in);
}

} // namespace kaldor
