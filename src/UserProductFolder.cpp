#include "UserProductFolder.h"

#include "FilePath.h"
#include "ProductNames.h"
#include "Sys.h"

namespace VELMORA::NEVRA::Platform {

std::string UserProductFolder(const std::string& userFolder) {
    FilePath dir(userFolder);
    dir.ToDirectoryForm().AppendDir(ProductNames::ProductFolder);
    return dir.Str();
}

std::string LogProductFolder(const std::string& logsFolder) {
    const std::string separator(1, Sys::NativeSeparator());
    return logsFolder + separator + ProductNames::ProductFolder + separator;
}

} // namespace VELMORA::NEVRA::Platform
