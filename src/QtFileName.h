// Handing a file name over to Qt without it opening some other file.
#pragma once

#include <string>

class QString;

namespace VELMORA::NEVRA::Platform {

// The name under which Qt opens `path`. File names are bytes, and Qt's file-name codec gives
// back other bytes for a name that is not valid in the local encoding, so Qt would open some
// other file or none: then it is false, and an ERROR record names the path and `what` is not
// done with it.
bool QtFileName(const std::string& path, const char* what, QString& name);

} // namespace VELMORA::NEVRA::Platform
