#include "HostSettings.h"

#include <LanguageTable.h>

#include <cstdlib>
#include <sstream>

namespace kaldor {

std::string HostLanguage() {
    const char* language = std::getenv("KALDOR_LANGUAGE");
    return language != nullptr ? language : "English";
}

std::string LocaleCodeOf(const std::string& language) {
    return VELMORA::NEVRA::Platform::LocaleCodeOf(language);
}

std::optional<std::string> RefusedBy(const std::string& path) {
    if (path.empty()) {
        return std::string();
    }
    const char* list = std::getenv("KALDOR_REFUSE_PATHS");
    if (list == nullptr) {
        return std::nullopt;
    }
    std::istringstream texts(list);
    for (std::string text; std::getline(texts, text, '|');) {
        if (!text.empty() && path.find(text) != std::string::npos) {
            return text;
        }
    }
    return std::nullopt;
}

} // namespace kaldor
