#include "HostRules.h"

#include <HostCommon/HostEnv.h>

namespace KaldorHost {

std::string LanguageName(const std::optional<std::string>& configured) {
    return configured.value_or("English");
}

std::optional<std::string> RefusingText(std::string_view path, std::string_view refusedTexts) {
    if (path.empty()) {
        return std::string();
    }
    // Empty items are dropped by the split: they would refuse every path.
    for (std::string& text : HostCommon::SplitList(refusedTexts, '|')) {
        if (path.find(text) != std::string_view::npos) {
            return std::move(text);
        }
    }
    return std::nullopt;
}

} // namespace KaldorHost
