// Closes a file descriptor on every path out of a scope.
#pragma once

#include <string>
#include <utility>

struct stat;

namespace VELMORA::NEVRA::Platform::Sys {

class FileDescriptor final {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    // Opens a file for reading only when it is a regular one, checked before the open (so that
    // no device is ever opened) and again on the open descriptor (so that a swap in between is
    // caught); `status` describes the open file. Invalid, with errno set, otherwise.
    static FileDescriptor OpenRegular(const std::string& path, struct stat& status);
    ~FileDescriptor(); // keeps errno
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&&) = delete;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    // Gives the descriptor up to a caller that closes it itself.
    int Release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

} // namespace VELMORA::NEVRA::Platform::Sys
