#include "HostEnv.h"

#include <Sys.h>

namespace HostCommon {

// Through the system layer: on Windows the C runtime's copy of the environment misses what the
// process set after it started.
std::optional<std::string> EnvValue(const char* name) {
    std::string value;
    if (!VELMORA::NEVRA::Platform::Sys::GetEnvironment(name, value)) {
        return std::nullopt;
    }
    return value;
}

std::string EnvValueOr(const char* name, std::string_view fallback) {
    return EnvValue(name).value_or(std::string(fallback));
}

std::vector<std::string> SplitList(std::string_view list, char separator) {
    std::vector<std::string> items;
    while (!list.empty()) {
        const auto end = list.find(separator);
        const std::string_view item = list.substr(0, end);
        if (!item.empty()) {
            items.emplace_back(item);
        }
        if (end == std::string_view::npos) {
            break;
        }
        list.remove_prefix(end + 1);
    }
    return items;
}

std::string ProfileRole() {
    return EnvValueOr("KALDOR_ROLE", "Engineer");
}

} // namespace HostCommon
