// The product's own folder inside one of the host's user folders, in directory form: where the
// platform seeds the user's library, and where kaldor looks for what it seeded.
#pragma once

#include <string>

namespace VELMORA::NEVRA::Platform {

std::string UserProductFolder(const std::string& userFolder);

} // namespace VELMORA::NEVRA::Platform
