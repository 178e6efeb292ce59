// The resources of one resource root, shared by every package that names that root.
#pragma once

#include "KxResourceBase.h"

#include <deque>
#include <memory>
#include <string>

class QString;

namespace VELMORA::NEVRA::Platform {

// The name under which Qt opens `path`. File names are bytes, and Qt's file-name codec gives
// back other bytes for a name that is not valid in the local encoding, so Qt would open some
// other file or none: then it is false, and an ERROR record names the path and `what` is not
// done with it.
bool QtFileName(const std::string& path, const char* what, QString& name);

// The fixed sub-directories of a resource root, by kind 0..14; any other kind gives "".
std::string ResourceDir(const std::string& root, int kind);

// The resource root of a package: the explicit directory, else the folder beside the library
// named after its stem, else that name in the common resource area, else "".
std::string ResolveResourceRoot(const char* dllPath, const char* resourcePath);

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
