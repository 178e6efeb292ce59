// The call trace of the libraries around the platform: one line per call, appended to the file
// that KALDOR_TRACE names, so that a test or a curious user can see exactly what the platform
// asked of its host and in which order.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace HostCommon {

// A C string argument as a field; the platform may hand over null, which reads as empty.
inline std::string_view Text(const char* text) {
    return text ? std::string_view(text) : std::string_view();
}

// Turns the tabs and line breaks of the text from `begin` to `end` into spaces, in place: a line
// must stay one line with one field per argument, whatever the caller passed.
void FlattenField(char* begin, char* end);

// Appends `field` to `line`, flattened.
void AppendField(std::string& line, std::string_view field);

// Writes `function`, then each field, tab-separated, as one line to the file named by
// KALDOR_TRACE (looked up at each call; unset or empty means no trace). Safe from any thread:
// each line reaches the file with one append write.
void Trace(std::string_view function, std::initializer_list<std::string_view> fields = {}) noexcept;

} // namespace HostCommon
