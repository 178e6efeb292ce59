// The resources of one resource root, shared by every package that names that root.
#pragma once

#include "KxResourceBase.h"

#include <deque>
#include <memory>
#include <string>

namespace VELMORA::NEVRA::Platform {

class KxResource : public KxResourceBase {
public:
    explicit KxResource(const std::string& root);
    ~KxResource() override;

    // Hands the root over to the host once; later calls return the first result.
    std::int32_t Load() override;
    std::string Root() const { return root_; }

private:
    bool loaded_ = false;
    std::int32_t result_ = 0;
    std::string root_;
    std::deque<std::unique_ptr<KxResourceBase>> parts_;
};

} // namespace VELMORA::NEVRA::Platform
