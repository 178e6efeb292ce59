#include "ResourceKind.h"

#include "FilePath.h"

#include <array>
#include <optional>

namespace VELMORA::NEVRA::Platform {

namespace {

// Where one kind lies below a root: its directories, outermost first (unused ones null), and
// for a kind that names a file, the file's name.
struct Place {
    std::array<const char*, 3> dirs;
    const char* file;
};

std::optional<Place> PlaceOf(ResourceKind kind) {
    // The names are the host's and the packages': their case is part of them.
    switch (kind) {
    case ResourceKind::Icons:
        return Place{{"Icons"}, nullptr};
    case ResourceKind::Text:
        return Place{{"text"}, nullptr};
    case ResourceKind::Languages:
        return Place{{"Languages"}, nullptr};
    case ResourceKind::Forms:
        return Place{{"Forms"}, nullptr};
    case ResourceKind::Commands:
        return Place{{"Commands"}, nullptr};
    case ResourceKind::Qrc:
        return Place{{"qrc"}, nullptr};
    case ResourceKind::Context:
        return Place{{"Context"}, nullptr};
    case ResourceKind::DefaultActions:
        return Place{{"Configures", "Default", "Action"}, nullptr};
    case ResourceKind::Data:
        return Place{{"data"}, nullptr};
    case ResourceKind::Doc:
        return Place{{"doc"}, nullptr};
    case ResourceKind::CustomLibrary:
        return Place{{"Library", "custom"}, nullptr};
    case ResourceKind::NonCustomLibrary:
        return Place{{"Library", "noncustom"}, nullptr};
    case ResourceKind::Supp:
        return Place{{"supp"}, nullptr};
    case ResourceKind::DefaultControls:
        return Place{{"Configures", "Default", "Controls"}, nullptr};
    case ResourceKind::BrowserProfile:
        return Place{{"Profile"}, "simbrowser_profile.json"};
    }
    return std::nullopt;
}

} // namespace

std::string ResourceDir(const std::string& root, ResourceKind kind) {
    // Decided before the root is parsed: a value that names no kind has no place at all.
    const std::optional<Place> place = PlaceOf(kind);
    if (!place) {
        return std::string();
    }
    FilePath path(root);
    path.ToDirectoryForm();
    for (const char* dir : place->dirs) {
        if (dir != nullptr) {
            path.AppendDir(dir);
        }
    }
    if (place->file != nullptr) {
        path.SetFileName(place->file);
    }
    return path.Str();
}

} // namespace VELMORA::NEVRA::Platform
