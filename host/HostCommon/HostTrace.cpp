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
    // Every log record goes through here, three times. Most texts hold none of the characters
    // replaced, and asking the C library for each of them costs less than looking at every
    // character in turn.
    if (field.empty()) {
        return;
    }
    const char* const begin = field.data();
    const char* const end = begin + field.size();
    if (std::memchr(begin, '\t', field.size()) == nullptr &&
        std::memchr(begin, '\n', field.size()) == nullptr &&
        std::memchr(begin, '\r', field.size()) == nullptr) {
        line.append(begin, end);
        return;
    }
    const char* run = begin;
    for (const char* c = begin; c != end; ++c) {
        if (*c == '\t' || *c == '\n' || *c == '\r') {
            line.append(run, c);
            line += ' ';
            run = c + 1;
        }
    }
    line.append(run, end);
}

void Trace(std::string_view function, std::initializer_list<std::string_view> fields) noexcept {
    try {
        WriteLine(function, fields);
    } catch (...) {
        // Out of memory while building the line; the traced call itself must not fail for it.
    }
}

} // namespace HostCommon
