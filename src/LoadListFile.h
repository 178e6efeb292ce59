// One load list file read as the platform reads it. The platform takes only the entries; the
// line numbers, the entries passed over and the reason a file named nothing are kept for kaldor,
// which explains an installation with the platform's own reading instead of a second one.
#pragma once

#include "XmlChildren.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace VELMORA::NEVRA::Platform {

// An entry carrying both attributes the platform needs, as written.
struct ListedEntry {
    std::string first;  // name="…" of a module, path="…" of an application
    std::string second; // qa="…" of a module, load="…" of an application
    int line = 0;
};

// What an entry's switch means: a module whose qa="…" is "1" is a QA module, which is not
// loaded; an application is loaded only when its load="…" is "1".
inline bool IsQaModule(const ListedEntry& module) {
    return module.second == "1";
}
inline bool IsEnabledApp(const ListedEntry& app) {
    return app.second == "1";
}

// An entry the platform skips because an attribute is missing.
struct PassedOverEntry {
    int line = 0;
    std::string missingAttribute;
};

class LoadListFile {
public:
    // <module name="…" qa="…"/> children of the root.
    static LoadListFile ReadModules(const std::string& file);
    // <App path="…" load="…"/> children of the root.
    static LoadListFile ReadApps(const std::string& file);

    // Anything but XmlFileState::Read is a list that names nothing.
    const XmlFileReading& Reading() const { return reading_; }
    const std::vector<ListedEntry>& Entries() const { return entries_; }
    const std::vector<PassedOverEntry>& PassedOver() const { return passedOver_; }

private:
    static LoadListFile Read(const std::string& file, const char* element, const char* first,
                             const char* second);

    XmlFileReading reading_;
    std::vector<ListedEntry> entries_;
    std::vector<PassedOverEntry> passedOver_;
};

// What the platform made of an application entry's path.
enum class AppPathForm {
    NoFileName,   // names a directory (or nothing): kept as parsed, nothing can load from it
    InAppDir,     // relative: taken inside the application folder
    FileNameOnly, // absolute, directly inside the application folder: only the file name is kept
    Absolute,     // absolute elsewhere: kept as given
};

struct ResolvedAppPath {
    std::string path;
    AppPathForm form = AppPathForm::NoFileName;
};

// The library a module entry `name` stands for: `moduleDirectory` (in directory form), the name
// and the library suffix, concatenated as written. Unregistration uses this form.
std::string ModuleLibraryPath(const std::string& moduleDirectory, const std::string& name);
// The same path parsed and rendered again, as registration uses it: separators unified, "." and
// ".." folded. Throws FileSystemError for a malformed drive form.
std::string RegisteredModulePath(const std::string& moduleDirectory, const std::string& name);

// Resolves application entries against `appDirectory` (in directory form). Throws
// FileSystemError for a malformed drive form; the platform's start-up then fails as a whole.
// The folder is parsed at the first relative entry and kept for the entries after it.
class AppPathResolver {
public:
    explicit AppPathResolver(std::string appDirectory) : appDirectory_(std::move(appDirectory)) {}

    ResolvedAppPath Resolve(const std::string& text);

private:
    std::string appDirectory_;
    std::optional<std::string> parsedAppDirectory_; // rendered again, in directory form
};

// One entry resolved on its own.
ResolvedAppPath ResolveAppPath(const std::string& text, const std::string& appDirectory);

} // namespace VELMORA::NEVRA::Platform
