#include "LogRecords.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace kaldor {

namespace {

// Days since 1970-01-01 of a civil date; differences are all the log needs, so local time is
// treated like UTC.
std::int64_t DaysFromCivil(int year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const int era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return static_cast<std::int64_t>(era) * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const auto tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) {
            return fields;
        }
        start = tab + 1;
    }
}

} // namespace

std::optional<std::int64_t> ParseLogTime(const std::string& text) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char separator = 0;
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%n", &year, &month, &day, &separator,
                    &hour, &minute, &second, &consumed) != 7 ||
        (separator != 'T' && separator != ' ') || month < 1 || month > 12 || day < 1 || day > 31 ||
        hour > 23 || minute > 59 || second > 60) {
        return std::nullopt;
    }
    int millis = 0;
    std::size_t pos = static_cast<std::size_t>(consumed);
    if (pos < text.size() && (text[pos] == '.' || text[pos] == ',')) {
        int scale = 100;
        for (++pos; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
            millis += (text[pos] - '0') * scale;
            scale /= 10;
        }
    }
    const std::int64_t days =
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    return ((days * 24 + hour) * 60 + minute) * 60000 + second * 1000 + millis;
}

std::optional<LogRecord> ParseLogLine(const std::string& line) {
    const auto fields = SplitTabs(line);
    if (fields.size() < 6) {
        return std::nullopt;
    }
    const auto time = ParseLogTime(fields[0]);
    if (!time) {
        return std::nullopt;
    }
    LogRecord record;
    record.time = fields[0];
    record.milliseconds = *time;
    record.level = fields[1];
    record.module = fields[2];
    record.source = fields[3];
    record.line = std::atoi(fields[4].c_str());
    record.message = fields[5];
    for (std::size_t i = 6; i < fields.size(); ++i) {
        record.message += "\t" + fields[i];
    }
    return record;
}

std::uint64_t LogFileEnd(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<std::uint64_t>(size);
}

std::vector<LogRecord> ReadLogRecords(const std::string& path, std::uint64_t offset) {
    std::vector<LogRecord> records;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return records;
    }
    if (offset > LogFileEnd(path)) {
        offset = 0;
    }
    in.seekg(static_cast<std::streamoff>(offset));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (auto record = ParseLogLine(line)) {
            records.push_back(std::move(*record));
        }
    }
    return records;
}

} // namespace kaldor
