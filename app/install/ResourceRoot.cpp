#include "ResourceRoot.h"

#include "HostSettings.h"

#include <HostSearchDirectories.h>
#include <LanguageTable.h>
#include <ResourceRootSearch.h>
#include <SettingFiles.h>

namespace kaldor {

namespace Platform = VELMORA::NEVRA::Platform;

std::string ResolveResourceRoot(const Installation& installation, const std::string& libraryPath) {
    return Platform::ResolveResourceRoot(libraryPath.c_str(), nullptr,
                                         installation.ResourceArea() + "/");
}

std::vector<std::string> ResourceRootProblems(const std::string& root) {
    std::vector<std::string> problems;
    if (root.empty()) {
        return problems;
    }
    for (const auto& dir :
         Platform::HostSearchDirectories(root, Platform::LocaleCodeOf(HostLanguage()))) {
        if (const auto text = RefusedBy(dir)) {
            problems.push_back("the host refuses the search path " + dir +
                               " (KALDOR_REFUSE_PATHS contains \"" + *text +
                               "\"), so the resource root cannot be registered");
            break;
        }
    }
    if (Platform::RootSettingFiles(root).empty()) {
        problems.push_back("the resource root " + root +
                           " has no setting file (*.hcui in Configures/Default/Action/ or "
                           "Configures/Default/Controls/), so its registration fails");
    }
    return problems;
}

} // namespace kaldor
