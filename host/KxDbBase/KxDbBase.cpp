#include "KxDbBase.h"

#include <HostCommon/HostEnv.h>
#include <HostCommon/HostTrace.h>

#include <algorithm>
#include <charconv>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

namespace {

// Built at library load and destroyed at unload; the platform unregisters before that.
struct Registry {
    std::mutex lock;
    std::set<std::uint32_t> ids;
};

Registry registry;

// KXDB_REFUSE_IDS: decimal ids separated by commas; blanks around an id are allowed, items that
// are no id are ignored.
bool IsRefused(std::uint32_t moduleId) {
    const auto items = HostCommon::SplitList(HostCommon::EnvValueOr("KXDB_REFUSE_IDS", ""), ',');
    return std::any_of(items.begin(), items.end(), [moduleId](const std::string& item) {
        std::string_view text(item);
        const auto first = text.find_first_not_of(" \t");
        const auto last = text.find_last_not_of(" \t");
        if (first == std::string_view::npos) {
            return false;
        }
        text = text.substr(first, last - first + 1);
        std::uint32_t id = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
        return error == std::errc() && end == text.data() + text.size() && id == moduleId;
    });
}

std::int32_t Register(std::uint32_t moduleId) {
    if (IsRefused(moduleId)) {
        return 1;
    }
    const std::lock_guard<std::mutex> guard(registry.lock);
    return registry.ids.insert(moduleId).second ? 0 : 1;
}

} // namespace

extern "C" {

std::int32_t KxDbRegister(std::uint32_t moduleId, std::uint64_t context) {
    std::int32_t result = 1;
    try {
        result = Register(moduleId);
    } catch (...) {
        // Out of memory: the id was not recorded, which is a refusal.
    }
    HostCommon::Trace("KxDbRegister",
                      {std::to_string(moduleId), std::to_string(context), std::to_string(result)});
    return result;
}

void KxDbUnRegister(std::uint32_t moduleId) {
    {
        const std::lock_guard<std::mutex> guard(registry.lock);
        registry.ids.erase(moduleId);
    }
    HostCommon::Trace("KxDbUnRegister", {std::to_string(moduleId)});
}

std::int32_t KxDbIsRegistered(std::uint32_t moduleId) {
    const std::lock_guard<std::mutex> guard(registry.lock);
    return registry.ids.count(moduleId) != 0 ? 1 : 0;
}

} // extern "C"
