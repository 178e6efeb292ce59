// kaldor's reader of the product's log on any bytes: as one line, and as a log file read from
// an offset taken from the input. A time is accepted only in the form the log writes
// ("YYYY-MM-DDTHH:MM:SS", a space allowed for the "T", then optionally "." or "," and digits),
// which this target checks independently of the reader.
#include <orvane/recovery/LogRecords.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool HasLogTimeForm(const std::string& text) {
    const std::string form = "dddd-dd-ddTdd:dd:dd";
    if (text.size() < form.size()) {
        return false;
    }
    for (std::size_t i = 0; i < form.size(); ++i) {
        const bool fits = form[i] == 'd'   ? IsDigit(text[i])
                          : form[i] == 'T' ? (text[i] == 'T' || text[i] == ' ')
                                           : text[i] == form[i];
        if (!fits) {
            return false;
        }
    }
    std::size_t pos = form.size();
    if (pos == text.size()) {
        return true;
    }
    if (text[pos] != '.' && text[pos] != ',') {
        return false;
    }
    for (++pos; pos < text.size(); ++pos) {
        if (!IsDigit(text[pos])) {
            return false;
        }
    }
    return true;
}

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "log records: %s\n", what);
        std::abort();
    }
}

// A file of this process's own, removed when the process ends.
struct LogFile final {
    LogFile() = default;
    ~LogFile() { std::remove(path.c_str()); }
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    const std::string path = "/tmp/orvane-fuzz-log-" + std::to_string(::getpid());
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    const auto time = orvane::recovery::ParseLogTime(text);
    Require(!time || HasLogTimeForm(text), "a time not in the log's form was accepted");

    if (const auto record = orvane::recovery::ParseLogLine(text)) {
        Require(HasLogTimeForm(record->time), "a record with a malformed time");
        for (const std::string* field : {&record->level, &record->module, &record->source}) {
            Require(field->find('\t') == std::string::npos, "a field holds a tab");
        }
    }

    // The first eight bytes, when there are that many, are the offset to read from.
    std::uint64_t offset = 0;
    for (std::size_t i = 0; i < 8 && i < size; ++i) {
        offset = offset << 8 | data[i];
    }
    static const LogFile file;
    std::ofstream(file.path, std::ios::binary | std::ios::trunc).write(text.data(), text.size());
    for (const orvane::recovery::LogRecord& record :
         orvane::recovery::ReadLogRecords(file.path, offset)) {
        Require(HasLogTimeForm(record.time), "a record read from the file with a malformed time");
    }
    return 0;
}
