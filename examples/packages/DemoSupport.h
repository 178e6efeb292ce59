// What the demo packages share: telling a watcher that their entry points ran, and finding
// files beside themselves.
#pragma once

#include <string>

namespace demo {

// Appends `text` as one line to the file named by KALDOR_DEMO_EVENTS, when it is set. Tests
// use it to see which package code ran, and that a dry run ran none.
void Event(const std::string& text);

// The folder of the library that holds `anyFunction`, with a trailing "/".
std::string LibraryDirectory(const void* anyFunction);

} // namespace demo
