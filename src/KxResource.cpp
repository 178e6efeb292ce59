#include "KxResource.h"

#include "FilePath.h"
#include "KxResourceLang.h"
#include "KxResourcePath.h"
#include "KxResourceSetting.h"

namespace VELMORA::NEVRA::Platform {

namespace {

std::string DirectoryForm(const std::string& root) {
    FilePath path(root);
    return path.ToDirectoryForm().Str();
}

} // namespace

KxResource::KxResource(const std::string& root) : root_(DirectoryForm(root)) {}

KxResource::~KxResource() {
    while (!parts_.empty()) {
        parts_.pop_back();
    }
}

std::int32_t KxResource::Load() {
    if (loaded_) {
        return result_;
    }
    loaded_ = true;
    if (root_.empty()) {
        result_ = 0;
        return result_;
    }
    // Each part is made only once the one before it has loaded; on failure they go in reverse
    // order, and what they handed to the host stays there.
    std::deque<std::unique_ptr<KxResourceBase>> made;
    const auto unwind = [&made] {
        while (!made.empty()) {
            made.pop_back();
        }
    };
    try {
        made.push_back(std::make_unique<KxResourcePath>(root_));
        if (made.back()->Load() == 0) {
            made.push_back(std::make_unique<KxResourceLang>(root_));
            if (made.back()->Load() == 0) {
                made.push_back(std::make_unique<KxResourceSetting>(root_));
                if (made.back()->Load() == 0) {
                    parts_ = std::move(made);
                    result_ = 0;
                    return result_;
                }
            }
        }
    } catch (...) {
        unwind();
        result_ = -1;
        throw;
    }
    unwind();
    result_ = -1;
    return result_;
}

} // namespace VELMORA::NEVRA::Platform
