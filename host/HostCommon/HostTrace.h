// The call trace of the libraries around the platform: one line per call, appended to the file
// that KALDOR_TRACE names, so that a test or a curious user can see exactly what the platform
// asked of its host and in which order.
#pragma once

#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>

namespace HostCommon {

// A C string argument as a field; the platform may hand over null, which reads as empty.
inline std::string_view Text(const char* text) {
    return text ? std::string_view(text) : std::string_view();
}

// What a field must not hold, each written as a space: a line must stay one line with one field
// per argument, whatever the caller passed.
inline constexpr char kFieldBreaks[] = "\t\n\r";
inline constexpr char kFieldBreakReplacement = ' ';

// Appends `field` to `line`, its field breaks replaced.
void AppendField(std::string& line, std::string_view field);

// The same for a C string (null reads as empty), appended to any line that has `append(begin,
// end)` and `push_back`. Every log record goes through here, three times: one search of the C
// library finds the end of the text and the characters replaced together, for less than measuring
// the text and then searching it for each of them.
template <typename Line> void AppendTextField(Line& line, const char* text) {
    if (text == nullptr) {
        return;
    }
    for (;;) {
        const std::size_t run = std::strcspn(text, kFieldBreaks);
        line.append(text, text + run);
        if (text[run] == '\0') {
            return;
        }
        line.push_back(kFieldBreakReplacement);
        text += run + 1;
    }
}

// Writes `function`, then each field, tab-separated, as one line to the file named by
// KALDOR_TRACE (looked up at each call; unset or empty means no trace). Safe from any thread:
// each line reaches the file with one append write.
void Trace(std::string_view function, std::initializer_list<std::string_view> fields = {}) noexcept;

} // namespace HostCommon
