#include "Kaldor.h"

#include "HostRules.h"
#include "HostSearchPath.h"

#include <HostCommon/HostEnv.h>
#include <HostCommon/HostTrace.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace {

using HostCommon::Text;
using HostCommon::Trace;

constexpr std::size_t LanguageBufferSize = 256;

// Built at library load, before any library that uses the host, and so destroyed after them.
// Building it takes no memory (a failure then could not be caught by anyone).
struct HostState {
    std::mutex lock;
    KaldorHost::HostSearchPath searchPath;
    std::string helpDoc;
    std::vector<std::unique_ptr<const std::string>> messages; // each text keeps its address
};

HostState host;

int AddPath(std::string_view path) {
    if (KaldorHost::RefusingText(path,
                                 HostCommon::EnvValueOr(KaldorHost::kRefusedPathsVariable, ""))) {
        return 1;
    }
    const std::lock_guard<std::mutex> guard(host.lock);
    host.searchPath.Add(std::string(path));
    return 0;
}

} // namespace

extern "C" {

int kdlLangGet(char* buffer) {
    const std::string language =
        KaldorHost::LanguageName(HostCommon::EnvValue(KaldorHost::kLanguageVariable));
    const std::size_t length = std::min(language.size(), LanguageBufferSize - 1);
    if (buffer != nullptr) {
        std::memcpy(buffer, language.data(), length);
        buffer[length] = '\0';
    }
    Trace("kdlLangGet", {std::string_view(language).substr(0, length)});
    return buffer != nullptr ? 0 : 1;
}

int kdlPathAdd(const char* path) {
    int result = 1;
    try {
        result = AddPath(Text(path));
    } catch (...) {
        // Out of memory: the directory was not added, which is a refusal.
    }
    Trace("kdlPathAdd", {Text(path), result == 0 ? "0" : "1"});
    return result;
}

int kdlHelpDocLoad(const char* path) {
    {
        const std::lock_guard<std::mutex> guard(host.lock);
        host.helpDoc = std::string(Text(path));
    }
    Trace("kdlHelpDocLoad", {Text(path)});
    return 0;
}

int kdlMsgDisp(const char* text) {
    {
        const std::lock_guard<std::mutex> guard(host.lock);
        host.messages.push_back(std::make_unique<const std::string>(Text(text)));
    }
    std::fprintf(stderr, "kaldor: %s\n", std::string(Text(text)).c_str());
    Trace("kdlMsgDisp", {Text(text)});
    return 0;
}

int kdlPathCount(void) {
    const std::lock_guard<std::mutex> guard(host.lock);
    return static_cast<int>(host.searchPath.Count());
}

const char* kdlPathAt(int index) {
    const std::lock_guard<std::mutex> guard(host.lock);
    const std::string* entry =
        index < 0 ? nullptr : host.searchPath.At(static_cast<std::size_t>(index));
    return entry != nullptr ? entry->c_str() : nullptr;
}

void kdlPathReset(void) {
    const std::lock_guard<std::mutex> guard(host.lock);
    host.searchPath.Reset();
}

const char* kdlHelpDocCurrent(void) {
    const std::lock_guard<std::mutex> guard(host.lock);
    return host.helpDoc.c_str();
}

int kdlMsgCount(void) {
    const std::lock_guard<std::mutex> guard(host.lock);
    return static_cast<int>(host.messages.size());
}

const char* kdlMsgAt(int index) {
    const std::lock_guard<std::mutex> guard(host.lock);
    if (index < 0 || static_cast<std::size_t>(index) >= host.messages.size()) {
        return nullptr;
    }
    return host.messages[static_cast<std::size_t>(index)]->c_str();
}

} // extern "C"
