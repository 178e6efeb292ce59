#include "UserProductFolder.h"

#include "FilePath.h"
#include "ProductNames.h"

namespace VELMORA::NEVRA::Platform {

std::string UserProductFolder(const std::string& userFolder) {
    FilePath dir(userFolder);
    dir.ToDirectoryForm().AppendDir(ProductNames::ProductFolder);
    return dir.Str();
}

} // namespace VELMORA::NEVRA::Platform
