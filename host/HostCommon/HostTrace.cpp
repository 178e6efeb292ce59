#include "HostTrace.h"

#include "HostEnv.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace HostCommon {

namespace {

// Constant-initialised and trivially destructible, so tracing works during library load and
// unload too.
std::mutex traceLock;

void WriteLine(std::string_view function, std::initializer_list<std::string_view> fields) {
    const std::string target = EnvValueOr("KALDOR_TRACE", "");
    if (target.empty()) {
        return;
    }
    std::string line;
    AppendField(line, function);
    for (const std::string_view field : fields) {
        line += '\t';
        AppendField(line, field);
    }
    line += '\n';

    const std::lock_guard<std::mutex> guard(traceLock);
    std::FILE* file = std::fopen(target.c_str(), "ab");
    if (file == nullptr) {
        const int error = errno;
        std::fprintf(stderr, "kaldor: cannot open trace file %s: %s\n", target.c_str(),
                     std::strerror(error));
        return;
    }
    // Unbuffered, the whole line goes down in one append write, so lines of several libraries
    // and threads never interleave.
    std::setvbuf(file, nullptr, _IONBF, 0);
    if (std::fwrite(line.data(), 1, line.size(), file) != line.size()) {
        const int error = errno;
        std::fprintf(stderr, "kaldor: cannot write trace file %s: %s\n", target.c_str(),
                     std::strerror(error));
    }
    std::fclose(file);
}

} // namespace

void AppendField(std::string& line, std::string_view field) {
    const std::size_t start = line.size();
    line += field;
    // Most texts hold none of the characters replaced, and asking the C library for each of them
    // costs less than looking at every character in turn.
    char* const end = line.data() + line.size();
    for (const char replaced : std::string_view(kFieldBreaks)) {
        char* c = line.data() + start;
        while ((c = static_cast<char*>(std::memchr(c, replaced, end - c))) != nullptr) {
            *c++ = kFieldBreakReplacement;
        }
    }
}

void Trace(std::string_view function, std::initializer_list<std::string_view> fields) noexcept {
    try {
        WriteLine(function, fields);
    } catch (...) {
        // Out of memory while building the line; the traced call itself must not fail for it.
    }
}

} // namespace HostCommon
