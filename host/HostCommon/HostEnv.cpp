#include "HostEnv.h"

#include <cstdlib>

namespace HostCommon {

std::optional<std::string> EnvValue(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::string(value);
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
