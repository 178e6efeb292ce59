// Default user-interface settings of one resource root, copied under generated names.
#pragma once

#include "KxResourceBase.h"

#include <cstdint>
#include <string>
#include <vector>

class KxResourceSetting : public VELMORA::NEVRA::Platform::KxResourceBase {
public:
    explicit KxResourceSetting(const std::string& root);
    ~KxResourceSetting() override; // deletes this root's user-side copies
    std::int32_t Load() override;

private:
    std::string root_;
    std::vector<std::uint32_t> ids_;
};
