#include "Scenario.h"

#include "TestSystem.h"

#include <QtGlobal>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace fs = std::filesystem;

namespace orvane::test {

namespace {

const char* const kHostLibraries[] = {"KxLog",         "Kaldor",   "Kaldor_Config",
                                      "UserInterface", "KxDbBase", "KxGui"};

const char* const kClearedVariables[] = {
    "KALDOR_LANGUAGE", "KALDOR_ROLE",     "KALDOR_PROFILE",  "KALDOR_REFUSE_PATHS",
    "KXDB_REFUSE_IDS", "KALDOR_FOLDER_5", "KALDOR_FOLDER_6", "KALDOR_FOLDER_7"};

std::string ModuleListXml(const std::vector<ModuleEntry>& modules) {
    std::string xml = "<?xml version=\"1.0\"?>\n<Modules>\n";
    for (const auto& m : modules) {
        xml += "  <module name=\"" + m.name + "\" qa=\"" + m.qa + "\"/>\n";
    }
    return xml + "</Modules>\n";
}

std::string AppListXml(const std::vector<AppEntry>& apps) {
    std::string xml = "<?xml version=\"1.0\"?>\n<Apps>\n";
    for (const auto& a : apps) {
        xml += "  <App path=\"" + a.path + "\" load=\"" + a.load + "\"/>\n";
    }
    return xml + "</Apps>\n";
}

std::vector<std::string> Split(const std::string& line, char delimiter) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, delimiter)) {
        fields.push_back(field);
    }
    if (!line.empty() && line.back() == delimiter) {
        fields.emplace_back();
    }
    return fields;
}

} // namespace

std::string BuildBinDir() {
    return ORVANE_TEST_BIN_DIR;
}
std::string TestPackagesDir() {
    return ORVANE_TEST_PACKAGES_DIR;
}
std::string LibraryName(const std::string& stem) {
    return stem + ORVANE_TEST_LIBRARY_SUFFIX;
}
std::string Native(std::string path) {
    for (char& c : path) {
        if (c == '/') {
            c = static_cast<char>(fs::path::preferred_separator);
        }
    }
    return path;
}
std::string Portable(std::string text) {
    text = Generic(std::move(text));
    const std::string suffix = ORVANE_TEST_LIBRARY_SUFFIX;
    if (suffix != ".so") {
        for (auto at = text.find(suffix); at != std::string::npos; at = text.find(suffix, at)) {
            text.replace(at, suffix.size(), ".so");
        }
    }
    return text;
}
std::string Generic(std::string path) {
    for (char& c : path) {
        if (c == static_cast<char>(fs::path::preferred_separator)) {
            c = '/';
        }
    }
    return path;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

bool Exists(const std::string& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

Installation::Installation() {
    fs::create_directories(PlatformRoot() + "Library/custom");
    fs::create_directories(Home());
    fs::copy_file(BuildBinDir() + "/" + LibraryName("Orvane"), OrvanePath());
    for (const char* stem : kHostLibraries) {
        fs::copy_file(BuildBinDir() + "/" + LibraryName(stem), Bin() + LibraryName(stem));
    }
    WriteFile(PlatformRoot() + "Library/custom/seed.txt", "seed\n");
    WriteFile(PlatformRoot() + "Configures/Default/Action/platform.hcui", "<Actions/>\n");
    WritePreLoad({});
    WritePostLoad({});
    WriteAppList({});

    for (const char* name : kClearedVariables) {
        TestSupport::UnsetVariable(name);
    }
    TestSupport::SetVariable("KALDOR_HOME", Home());
    TestSupport::SetVariable("KALDOR_TRACE", Native(root_ + "/trace.txt"));
    TestSupport::SetVariable("ORVANE_TEST_EVENTS", Native(root_ + "/events.txt"));
}

Installation::~Installation() = default;

void Installation::WritePreLoad(const std::vector<ModuleEntry>& modules) {
    WriteFile(PlatformRoot() + "NevraPreLoad.xml", ModuleListXml(modules));
}
void Installation::WritePostLoad(const std::vector<ModuleEntry>& modules) {
    WriteFile(PlatformRoot() + "NevraPostLoad.xml", ModuleListXml(modules));
}
void Installation::WriteAppList(const std::vector<AppEntry>& apps) {
    WriteFile(PlatformRoot() + "NevraPreLoadApp.xml", AppListXml(apps));
}
void Installation::WriteFile(const std::string& path, const std::string& content) const {
    const fs::path full = fs::path(path).is_absolute() ? fs::path(path) : fs::path(root_) / path;
    fs::create_directories(full.parent_path());
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out << content;
}

void Installation::RemovePath(const std::string& path) const {
    const fs::path full = fs::path(path).is_absolute() ? fs::path(path) : fs::path(root_) / path;
    fs::remove_all(full);
}

std::string Installation::AddPackage(const std::string& built, const std::string& relDir,
                                     const std::string& behaviour, std::string as) const {
    if (as.empty()) {
        as = built;
    }
    const fs::path dir = fs::path(root_) / relDir;
    fs::create_directories(dir);
    const fs::path target = dir / LibraryName(as);
    fs::copy_file(TestPackagesDir() + "/" + LibraryName(built), target,
                  fs::copy_options::overwrite_existing);
    if (!behaviour.empty()) {
        WriteFile((dir / (as + ".txt")).string(), behaviour);
    }
    return target.lexically_normal().string();
}

std::string Installation::AddResourceRoot(const std::string& relDir) const {
    const fs::path dir = fs::path(root_) / relDir;
    WriteFile((dir / "Configures/Default/Action/settings.hcui").string(), "<Actions/>\n");
    return Native(dir.lexically_normal().string() + "/");
}

std::vector<LogRecord> Installation::Records() const {
    std::vector<LogRecord> records;
    for (const auto& line : ReadLines(LogFile())) {
        const auto f = Split(line, '\t');
        if (f.size() < 6) {
            continue;
        }
        LogRecord r{f[0], f[1], f[2], f[3], std::atoi(f[4].c_str()), f[5]};
        for (std::size_t i = 6; i < f.size(); ++i) {
            r.message += "\t" + f[i];
        }
        records.push_back(r);
    }
    return records;
}

std::vector<std::string> Installation::Messages() const {
    std::vector<std::string> messages;
    for (const auto& r : Records()) {
        messages.push_back(r.message);
    }
    return messages;
}

std::vector<std::string> Installation::Trace() const {
    return ReadLines(root_ + "/trace.txt");
}
std::vector<std::string> Installation::Events() const {
    return ReadLines(root_ + "/events.txt");
}

Platform::Platform(const Installation& installation) : Platform(installation.OrvanePath()) {}

namespace {

// The platform's hosts are Qt applications: Qt is loaded before the platform and stays for the
// life of the process. A test process that let Qt come and go with Orvane.so would also unmap
// the converter data that ICU caches for Qt's locale codec (ICU frees it only in u_cleanup,
// which Qt never calls), and the leak checker would report that at every unload.
void KeepQtLoadedLikeAHost() {
    static const char* const version = qVersion();
    static_cast<void>(version);
}

} // namespace

Platform::Platform(const std::string& orvanePath) {
    KeepQtLoadedLikeAHost();
    std::string error;
    handle_ = TestSupport::OpenLibrary(orvanePath, error);
    if (handle_ == nullptr) {
        throw std::runtime_error("cannot load " + orvanePath + ": " + error);
    }
}

Platform::~Platform() {
    Unload();
}

void Platform::Unload() {
    if (handle_ != nullptr) {
        TestSupport::CloseLibrary(handle_);
        handle_ = nullptr;
    }
}

void* Platform::RawSymbol(const char* name) const {
    void* symbol = handle_ ? TestSupport::LibrarySymbol(handle_, name) : nullptr;
    if (symbol == nullptr) {
        throw std::runtime_error(std::string("the platform does not export ") + name);
    }
    return symbol;
}

int Platform::Init() {
    return Symbol<int (*)()>("OrvaneInit")();
}
int Platform::Exit() {
    return Symbol<int (*)()>("OrvaneExit")();
}

int Platform::Reg(const char* dll, const char* resourceDir) {
    return Symbol<std::int32_t (*)(const char*, const char*)>("KxReg")(dll, resourceDir);
}

int Platform::RegEx(const char* dll, const char* resourceDir, int type) {
    return Symbol<std::int32_t (*)(const char*, const char*, std::int32_t)>("KxRegEx")(
        dll, resourceDir, type);
}

void Platform::UnReg(const char* dll) {
    Symbol<void (*)(const char*)>("KxUnReg")(dll);
}
void Platform::RegClear() {
    Symbol<void (*)()>("KxRegClear")();
}

namespace {

// Collects whatever one export hands its listener, and counts the calls.
struct Collector final : KxRegListListener,
                         KxResourcePathListListener,
                         KxResourceCheckPathListListener {
    std::vector<ListEntry> list;
    std::vector<std::string> paths;
    std::vector<Conflict> conflicts;
    int calls = 0;

    template <typename T> static void RequireItems(std::uint32_t count, const T* items) {
        if (count > 0 && items == nullptr) {
            throw std::runtime_error("a count without items");
        }
    }
    void OnList(std::uint32_t count, const KxRegListItem* items) override {
        ++calls;
        RequireItems(count, items);
        for (std::uint32_t i = 0; i < count; ++i) {
            list.push_back({items[i].ownerId, items[i].id, items[i].path});
        }
    }
    void OnPaths(std::uint32_t count, const char* const* items) override {
        ++calls;
        RequireItems(count, items);
        paths.assign(items, items + count);
    }
    void OnConflicts(std::uint32_t count, const KxResourceConflictItem* items) override {
        ++calls;
        RequireItems(count, items);
        for (std::uint32_t i = 0; i < count; ++i) {
            conflicts.push_back(
                {items[i].name, {items[i].paths, items[i].paths + items[i].pathCount}});
        }
    }
};

} // namespace

void Installation::ClearTrace() const {
    std::error_code error;
    fs::remove(root_ + "/trace.txt", error);
}

std::vector<ListEntry> Platform::List() {
    Collector collector;
    Symbol<void (*)(KxRegListListener*)>("KxRegList")(&collector);
    listenerCalls_ = collector.calls;
    return collector.list;
}

std::vector<std::string> Platform::PathList(int type) {
    Collector collector;
    Symbol<void (*)(std::int32_t, KxResourcePathListListener*)>("KxResourcePathList")(type,
                                                                                      &collector);
    listenerCalls_ = collector.calls;
    return collector.paths;
}

std::vector<Conflict> Platform::CheckPathList(int type) {
    Collector collector;
    Symbol<void (*)(std::int32_t, KxResourceCheckPathListListener*)>("KxResourceCheckPathList")(
        type, &collector);
    listenerCalls_ = collector.calls;
    return collector.conflicts;
}

} // namespace orvane::test
