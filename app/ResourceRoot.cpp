#include "ResourceRoot.h"

#include "HostSettings.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace kaldor {

namespace {

std::string DirectoryForm(const fs::path& dir) {
    std::string text = dir.lexically_normal().string();
    if (text.empty() || text.back() != '/') {
        text += '/';
    }
    return text;
}

bool Exists(const fs::path& path) {
    std::error_code error;
    return fs::exists(path, error);
}

} // namespace

std::string ResolveResourceRoot(const Installation& installation, const std::string& libraryPath) {
    const fs::path library(libraryPath);
    const std::string stem = library.stem().string();
    if (library.has_parent_path()) {
        const fs::path beside = library.parent_path() / stem;
        if (Exists(beside)) {
            return DirectoryForm(beside);
        }
    }
    // The common resource area is searched by exact name, in listing order; the entry found is
    // taken whatever it is.
    std::error_code error;
    for (fs::directory_iterator it(installation.ResourceArea(), error), end; !error && it != end;
         it.increment(error)) {
        if (it->path().filename() == stem) {
            return DirectoryForm(installation.ResourceArea() / stem);
        }
    }
    return "";
}

std::vector<std::string> HostSearchDirectories(const std::string& root,
                                               const std::string& localeCode) {
    const fs::path base(root);
    std::vector<std::string> dirs{DirectoryForm(base), DirectoryForm(base / "Icons"),
                                  DirectoryForm(base / "text"), DirectoryForm(base / "Languages")};
    for (const char* optional : {"Context", "Forms", "Commands", "qrc", "data"}) {
        if (Exists(base / optional)) {
            dirs.push_back(DirectoryForm(base / optional));
        }
    }
    std::vector<std::string> codes{localeCode};
    if (localeCode != "en_US") {
        codes.emplace_back("en_US");
    }
    for (const auto& code : codes) {
        dirs.push_back(DirectoryForm(base / "Languages" / code));
        dirs.push_back(DirectoryForm(base / "Languages" / code / "Text"));
    }
    return dirs;
}

std::vector<std::string> SettingFiles(const std::string& root) {
    std::vector<std::string> files;
    for (const char* group : {"Action", "Controls"}) {
        std::error_code error;
        const fs::path dir = fs::path(root) / "Configures" / "Default" / group;
        for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
            std::error_code kind;
            if (it->path().extension() == ".hcui" && it->is_regular_file(kind)) {
                files.push_back(it->path().string());
            }
        }
    }
    return files;
}

std::vector<std::string> ResourceRootProblems(const std::string& root) {
    std::vector<std::string> problems;
    if (root.empty()) {
        return problems;
    }
    for (const auto& dir : HostSearchDirectories(root, LocaleCodeOf(HostLanguage()))) {
        if (const auto text = RefusedBy(dir)) {
            problems.push_back("the host refuses the search path " + dir +
                               " (KALDOR_REFUSE_PATHS contains \"" + *text +
                               "\"), so the resource root cannot be registered");
            break;
        }
    }
    if (SettingFiles(root).empty()) {
        problems.push_back("the resource root " + root +
                           " has no setting file (*.hcui in Configures/Default/Action/ or "
                           "Configures/Default/Controls/), so its registration fails");
    }
    return problems;
}

} // namespace kaldor
