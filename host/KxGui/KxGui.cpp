#include "KxGui.h"

#include <HostCommon/HostTrace.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <system_error>

namespace {

// Built at library load and destroyed at unload.
struct GuiState {
    std::mutex lock;
    std::string profile;
};

GuiState gui;

// True when `path` is a regular file whose whole content could be read.
bool ReadProfile(const std::string& path) {
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error)) {
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    char chunk[4096];
    while (file.read(chunk, sizeof chunk)) {
    }
    return !file.bad();
}

int Load(const char* path) {
    const std::string text(HostCommon::Text(path));
    if (!ReadProfile(text)) {
        return 1;
    }
    const std::lock_guard<std::mutex> guard(gui.lock);
    gui.profile = text;
    return 0;
}

} // namespace

extern "C" {

int KxLoadSimBrowserProfile(const char* path) {
    int result = 1;
    try {
        result = Load(path);
    } catch (...) {
        // Out of memory: the profile was not taken over.
    }
    HostCommon::Trace("KxLoadSimBrowserProfile", {HostCommon::Text(path), result == 0 ? "0" : "1"});
    return result;
}

const char* KxGuiCurrentProfile(void) {
    const std::lock_guard<std::mutex> guard(gui.lock);
    return gui.profile.c_str();
}

} // extern "C"
