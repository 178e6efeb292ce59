// How the platform writes a record: its module name, the writing source file's stem, the line
// and the message, at one of three levels.
#pragma once

#include <string>
#include <string_view>

namespace VELMORA::NEVRA::Platform {

enum class LogLevel { Info, Error, Fatal };

// "src/KxPackage.cpp" -> "KxPackage"; works on either separator.
constexpr std::string_view SourceStem(std::string_view file) {
    const auto slash = file.find_last_of("/\\");
    if (slash != std::string_view::npos) {
        file.remove_prefix(slash + 1);
    }
    const auto dot = file.rfind('.');
    return dot == std::string_view::npos ? file : file.substr(0, dot);
}

// Never throws: records are written from exception handlers and destructors, also when memory
// has run out.
void WriteLog(LogLevel level, std::string_view source, int line, const char* message) noexcept;
void WriteLog(LogLevel level, std::string_view source, int line,
              const std::string& message) noexcept;

} // namespace VELMORA::NEVRA::Platform

// The stem is worked out by the compiler: asked for at run time, the search for the last
// separator costs a library call per character of the file's name, at every record.
#define KX_LOG_AT(level, message)                                                                  \
    ::VELMORA::NEVRA::Platform::WriteLog(                                                          \
        ::VELMORA::NEVRA::Platform::LogLevel::level,                                               \
        [] {                                                                                       \
            constexpr std::string_view stem = ::VELMORA::NEVRA::Platform::SourceStem(__FILE__);    \
            return stem;                                                                           \
        }(),                                                                                       \
        __LINE__, (message))
#define KX_LOG_INFO(message) KX_LOG_AT(Info, message)
#define KX_LOG_ERROR(message) KX_LOG_AT(Error, message)
#define KX_LOG_FATAL(message) KX_LOG_AT(Fatal, message)
