#include "KxLog.h"

#include "LogFile.h"
#include "LogRecord.h"

#include <HostCommon/HostTrace.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <mutex>
#include <string>
#include <vector>

namespace {

using KxLogLib::AppendRecord;
using KxLogLib::LineBuffer;
using KxLogLib::LogLevel;
using KxLogLib::RecordFields;
using Clock = std::chrono::system_clock;

// Records arrive from every thread and at any moment of the process's life, including static
// destruction of other libraries after this one's state is gone. The lock and the flag are
// constant-initialised and trivially destructible, so they are valid for as long as the library
// is mapped; everything else lives in `runtime` and is only touched while the flag is set.
std::mutex logLock;
bool runtimeAlive = false;

// A record made before the log first opened, kept for it.
struct HeldRecord {
    Clock::time_point time;
    LogLevel level;
    std::string body;
};

// Enough for every record of a platform's load; a process that writes more before the log
// opens is not going to open it.
constexpr std::size_t kMaxHeldRecords = 4096;

void ToStandardError(const LineBuffer& line);
void OwnRecord(Clock::time_point time, int line, const std::string& message);

class LogRuntime final {
public:
    LogRuntime() {
        const std::lock_guard<std::mutex> guard(logLock);
        runtimeAlive = true;
    }
    ~LogRuntime() {
        const std::lock_guard<std::mutex> guard(logLock);
        file.Close();
        ReleaseHeld();
        runtimeAlive = false;
    }
    LogRuntime(const LogRuntime&) = delete;
    LogRuntime& operator=(const LogRuntime&) = delete;

    // Until the first KxLogInit records wait for the file, so that what went wrong while the
    // platform loaded ends up in the log the user reads.
    bool Holding() const { return !initialised; }

    // Writes the held records to the file, or to standard error when it is not open.
    void ReleaseHeld() noexcept {
        initialised = true;
        for (const HeldRecord& record : held) {
            try {
                LineBuffer line;
                AppendRecord(line, record.time, record.level, record.body);
                if (file.IsOpen()) {
                    file.Write(line);
                } else {
                    ToStandardError(line);
                }
            } catch (...) {
                // The file failed or memory ran out: the next record is still worth a try.
            }
        }
        held.clear();
        held.shrink_to_fit();
    }

    // One record, as the caller of the log made it: each goes everywhere it goes as one line.
    void Write(Clock::time_point time, LogLevel level, const RecordFields& fields) {
        const bool hold = Holding() && held.size() < kMaxHeldRecords;
        // Records come one at a time under the log's lock: the line's storage is kept from one to
        // the next.
        line.clear();
        if (tap != nullptr || !hold) {
            AppendRecord(line, time, level, fields);
        }
        if (tap != nullptr) {
            // The tap takes a C string; the terminator is no part of the line.
            line.push_back('\0');
            tap(line.data(), tapContext);
            line.resize(line.size() - 1);
        }
        if (hold) {
            held.push_back({time, level, KxLogLib::RecordBody(fields)});
            return;
        }
        if (file.IsOpen()) {
            try {
                file.Write(line);
                return;
            } catch (const std::exception& e) {
                const std::string failure = "cannot write " + file.Path() + ": " + e.what() +
                                            "; records go to standard error";
                file.Close();
                OwnRecord(time, __LINE__, failure);
            }
        }
        ToStandardError(line);
    }

    std::string outputDirectory;
    KxLogLib::LogFile file;
    bool initialised = false;
    std::vector<HeldRecord> held;
    KxLogTap tap = nullptr;
    void* tapContext = nullptr;

private:
    LineBuffer line;
};

LogRuntime runtime;

// Standard error is unbuffered: one write per line, so threads never tear each other's lines.
void ToStandardError(const LineBuffer& line) {
    std::fwrite(line.data(), 1, line.size(), stderr);
}

// The library's own word about itself, in the same format, always on standard error.
void OwnRecord(Clock::time_point time, int line, const std::string& message) {
    LineBuffer text;
    AppendRecord(text, time, LogLevel::Error,
                 RecordFields{"KxLog", "KxLog", line, message.c_str()});
    ToStandardError(text);
}

void Record(LogLevel level, const char* module, const char* source, int line,
            const char* message) noexcept {
    try {
        const auto now = Clock::now();
        const RecordFields fields{module, source, line, message};
        const std::lock_guard<std::mutex> guard(logLock);
        if (runtimeAlive) {
            runtime.Write(now, level, fields);
            return;
        }
        LineBuffer text;
        AppendRecord(text, now, level, fields);
        ToStandardError(text);
    } catch (...) {
        // Only allocation can fail here, and then there is nothing left to write the record with.
    }
}

} // namespace

extern "C" {

void KxLogSetOutputPath(const char* directory) {
    try {
        const std::lock_guard<std::mutex> guard(logLock);
        if (runtimeAlive) {
            runtime.outputDirectory = std::string(HostCommon::Text(directory));
        }
    } catch (...) {
        // Out of memory: the previous directory stays.
    }
}

void KxLogInit(void) {
    try {
        const auto now = Clock::now();
        const std::lock_guard<std::mutex> guard(logLock);
        if (!runtimeAlive) {
            OwnRecord(now, __LINE__,
                      "KxLogInit: the log library is shut down; records go to standard error");
            return;
        }
        const std::string failure = runtime.file.Open(runtime.outputDirectory);
        if (!failure.empty()) {
            OwnRecord(now, __LINE__, "KxLogInit: " + failure + "; records go to standard error");
        }
        runtime.ReleaseHeld();
    } catch (...) {
        // Out of memory: records keep going where they went.
    }
}

void KxLogExit(void) {
    try {
        const std::lock_guard<std::mutex> guard(logLock);
        if (runtimeAlive) {
            runtime.file.Close();
        }
    } catch (...) {
        // The lock itself failed; the file is flushed after every record anyway.
    }
}

void KxInfo(const char* module, const char* source, int line, const char* message) {
    Record(LogLevel::Info, module, source, line, message);
}

void KxError(const char* module, const char* source, int line, const char* message) {
    Record(LogLevel::Error, module, source, line, message);
}

void KxFatal(const char* module, const char* source, int line, const char* message) {
    Record(LogLevel::Fatal, module, source, line, message);
}

void KxLogSetTap(KxLogTap tap, void* context) {
    try {
        const std::lock_guard<std::mutex> guard(logLock);
        if (runtimeAlive) {
            runtime.tap = tap;
            runtime.tapContext = context;
        }
    } catch (...) {
        // The lock itself failed; the tap stays as it was.
    }
}

} // extern "C"
