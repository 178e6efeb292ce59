#include "HostSettings.h"

#include <HostCommon/HostEnv.h>
#include <Kaldor/HostRules.h>

namespace kaldor {

std::string HostLanguage() {
    return KaldorHost::LanguageName(HostCommon::EnvValue(KaldorHost::kLanguageVariable));
}

std::optional<std::string> RefusedBy(const std::string& path) {
    return KaldorHost::RefusingText(path,
                                    HostCommon::EnvValueOr(KaldorHost::kRefusedPathsVariable, ""));
}

} // namespace kaldor
