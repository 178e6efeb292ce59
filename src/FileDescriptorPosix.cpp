#include "FileDescriptorPosix.h"

#include "ErrnoKeeperPosix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace VELMORA::NEVRA::Platform::Sys {

FileDescriptor::~FileDescriptor() {
    if (fd_ >= 0) {
        ErrnoKeeper keep;
        ::close(fd_);
    }
}

// O_NONBLOCK: even a FIFO slipped in between cannot make the open wait for a writer.
FileDescriptor FileDescriptor::OpenRegular(const std::string& path, struct stat& status) {
    if (::stat(path.c_str(), &status) != 0) {
        return FileDescriptor(-1);
    }
    if (!S_ISREG(status.st_mode)) {
        errno = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
        return FileDescriptor(-1);
    }
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file.Valid()) {
        return file;
    }
    if (::fstat(file.Get(), &status) != 0) {
        return FileDescriptor(-1);
    }
    if (!S_ISREG(status.st_mode)) {
        errno = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
        return FileDescriptor(-1);
    }
    return file;
}

} // namespace VELMORA::NEVRA::Platform::Sys
