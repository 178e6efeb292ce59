#include "Log.h"

#include "FileSystem.h"

#include <KxLog/KxLog.h>

#include <algorithm>

namespace VELMORA::NEVRA::Platform {

namespace {

using Writer = void (*)(const char*, const char*, int, const char*);

Writer WriterOf(LogLevel level) noexcept {
    switch (level) {
    case LogLevel::Info:
        return KxInfo;
    case LogLevel::Error:
        return KxError;
    case LogLevel::Fatal:
        break;
    }
    return KxFatal;
}

// Longer than any stem of this library's sources.
constexpr std::size_t kMaxSourceStem = 63;

} // namespace

void WriteLog(LogLevel level, std::string_view source, int line, const char* message) noexcept {
    // The stem is a piece of __FILE__; a terminated copy of it needs no memory of the heap.
    char file[kMaxSourceStem + 1];
    file[source.copy(file, std::min(source.size(), kMaxSourceStem))] = '\0';
    const Writer write = WriterOf(level);
    try {
        // Every record names the module: read where it is kept rather than copied each time.
        if (const std::string* module = CachedModuleName()) {
            write(module->c_str(), file, line, message);
            return;
        }
        const std::string module = ModuleName();
        write(module.c_str(), file, line, message);
    } catch (...) {
        // Out of memory for the module's name: the record is still worth more than its field.
        write("", file, line, message);
    }
}

void WriteLog(LogLevel level, std::string_view source, int line,
              const std::string& message) noexcept {
    WriteLog(level, source, line, message.c_str());
}

} // namespace VELMORA::NEVRA::Platform
