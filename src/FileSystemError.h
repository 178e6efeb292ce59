// The error of every failing file-system operation and of path parsing.
#pragma once

#include <stdexcept>
#include <string>

namespace VELMORA::NEVRA::Platform {

// what() names the operation, the path and the system's error text; no caller depends on it.
class FileSystemError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace VELMORA::NEVRA::Platform
