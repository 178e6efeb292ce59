#include "ChildProcess.h"

#include <linux/capability.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <exception>

namespace orvane::test {
namespace {

// A run that has not finished by then is taken as hanging.
constexpr auto kWatchdog = std::chrono::seconds(120);

} // namespace

ChildResult RunInChild(const std::function<std::string()>& work) {
    ChildResult result;
    int fds[2];
    if (::pipe(fds) != 0) {
        result.failure = "no pipe";
        return result;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        std::string text;
        try {
            text = work();
        } catch (const std::exception& error) {
            text = std::string("exception\t") + error.what() + "\n";
        }
        for (std::size_t done = 0; done < text.size();) {
            const ssize_t written = ::write(fds[1], text.data() + done, text.size() - done);
            if (written <= 0) {
                break;
            }
            done += static_cast<std::size_t>(written);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    const auto deadline = std::chrono::steady_clock::now() + kWatchdog;
    char buffer[65536];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd wait{fds[0], POLLIN, 0};
        if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) == 0) {
            ::kill(child, SIGKILL);
            result.failure = "still running after the watchdog's limit: it hangs";
            break;
        }
        const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        result.output.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    result.finished = result.failure.empty() && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (result.failure.empty() && !result.finished) {
        result.failure = "ended by signal " + std::to_string(WTERMSIG(status));
    }
    return result;
}

bool DropPermissionOverride() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (::syscall(SYS_capget, &header, data) != 0) {
        return false;
    }
    const auto mask = ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    data[0].effective &= mask;
    return ::syscall(SYS_capset, &header, data) == 0;
}

} // namespace orvane::test
