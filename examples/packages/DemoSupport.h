// What the demo packages share: telling a watcher that their entry points ran, and finding
// files beside themselves.
#pragma once

#include <string>

namespace demo {

// Appends `text` as one line to the file named by KALDOR_DEMO_EVENTS, when it is set. Tests
// use it to see which package code ran, and that a dry run ran none.
void Event(const std::string& text);

// The folder of the library that holds `anyFunction`, with a trailing separator, and the
// system's separator and library file suffix (DemoSystemPosix.cpp, DemoSystemWin32.cpp).
std::string LibraryDirectory(const void* anyFunction);
char Separator();
const char* LibrarySuffix();

} // namespace demo
