#include <orvane/recovery/LogRecords.h>

#include <KxLog/LogLineFormat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace orvane::recovery {

namespace LogLine = KxLogLib::LogLine;

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

// The inverse of DaysFromCivil.
void CivilFromDays(std::int64_t days, int& year, unsigned& month, unsigned& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    year = static_cast<int>(yearOfEra + era * 400) + (month <= 2 ? 1 : 0);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const auto tab = line.find(LogLine::FieldSeparator, start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) {
            return fields;
        }
        start = tab + 1;
    }
}

} // namespace

std::optional<std::int64_t> ParseLogTime(const std::string& text) {
    // Digits where the form has them and nowhere else: no signs, spaces or short fields, which
    // a scanf conversion would let through, and nothing after the fraction.
    static constexpr char form[] = {
        'd', 'd', 'd', 'd', '-', 'd', 'd', '-', 'd', 'd', LogLine::DateTimeSeparator,
        'd', 'd', ':', 'd', 'd', ':', 'd', 'd', '\0'};
    constexpr std::size_t formLength = sizeof form - 1;
    if (text.size() < formLength) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < formLength; ++i) {
        const char c = text[i];
        // A space for the date's separator is read too.
        const bool fits = form[i] == 'd'                          ? IsDigit(c)
                          : form[i] == LogLine::DateTimeSeparator ? (c == form[i] || c == ' ')
                                                                  : c == form[i];
        if (!fits) {
            return std::nullopt;
        }
    }
    const auto number = [&text](std::size_t pos, std::size_t count) {
        int value = 0;
        for (std::size_t i = pos; i < pos + count; ++i) {
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    const int year = number(0, 4), month = number(5, 2), day = number(8, 2);
    const int hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) {
        return std::nullopt;
    }
    int millis = 0;
    std::size_t pos = formLength;
    if (pos < text.size()) {
        if (text[pos] != LogLine::FractionSeparator && text[pos] != ',') {
            return std::nullopt;
        }
        int scale = 100;
        for (++pos; pos < text.size(); ++pos) {
            if (!IsDigit(text[pos])) {
                return std::nullopt;
            }
            millis += (text[pos] - '0') * scale;
            scale /= 10;
        }
    }
    const std::int64_t days =
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    return ((days * 24 + hour) * 60 + minute) * 60000 + second * 1000 + millis;
}

std::string FormatLogTime(std::int64_t milliseconds) {
    constexpr std::int64_t perDay = 24 * 60 * 60 * 1000;
    std::int64_t days = milliseconds / perDay;
    std::int64_t rest = milliseconds % perDay;
    if (rest < 0) {
        rest += perDay;
        --days;
    }
    int year = 0;
    unsigned month = 0, day = 0;
    CivilFromDays(days, year, month, day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d.%03d", year, month, day,
                  static_cast<int>(rest / 3600000), static_cast<int>(rest / 60000 % 60),
                  static_cast<int>(rest / 1000 % 60), static_cast<int>(rest % 1000));
    return text;
}

std::optional<LogRecord> ParseLogLine(const std::string& line) {
    const auto fields = SplitTabs(line);
    if (fields.size() < LogLine::FieldCount) {
        return std::nullopt;
    }
    const auto time = ParseLogTime(fields[LogLine::Time]);
    if (!time) {
        return std::nullopt;
    }
    LogRecord record;
    record.time = fields[LogLine::Time];
    record.milliseconds = *time;
    record.level = fields[LogLine::Level];
    record.module = fields[LogLine::Module];
    record.source = fields[LogLine::Source];
    record.line = std::atoi(fields[LogLine::Line].c_str());
    record.message = fields[LogLine::Message];
    for (std::size_t i = LogLine::Message + 1; i < fields.size(); ++i) {
        record.message += LogLine::FieldSeparator + fields[i];
    }
    return record;
}

bool LogRecord::IsFatal() const {
    return level == LogLine::FatalLevel;
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
    return ParseLogRecords(in);
}

std::vector<LogRecord> ParseLogRecords(std::istream& in) {
    std::vector<LogRecord> records;
    std::string line;
    while (std::getline(in, line)) {
        if (in.eof()) {
            break; // no line end: still being written, or cut off
        }
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (auto record = ParseLogLine(line)) {
            records.push_back(std::move(*record));
        }
    }
    return records;
}

} // namespace orvane::recovery
