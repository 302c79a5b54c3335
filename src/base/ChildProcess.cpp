#include "base/ChildProcess.h"

#include <cerrno>
#include <sys/wait.h>
#include <unistd.h>

namespace orv {
namespace {

using Bytes = std::vector<std::uint8_t>;

void WriteAll(int fd, const void* data, std::size_t size) {
    const auto* p = static_cast<const char*>(data);
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = write(fd, p + done, size - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

// The child writes one status byte (0 = success), then the bytes or the error message.
Result<Bytes> Run(const std::function<Result<Bytes>()>& work, const std::string& crashMessage) {
    int channel[2];
    if (pipe(channel) != 0) {
        return work();
    }
    const pid_t child = fork();
    if (child < 0) {
        close(channel[0]);
        close(channel[1]);
        return work();
    }
    if (child == 0) {
        close(channel[0]);
        Result<Bytes> result = work();
        const std::uint8_t status = result.ok() ? 0 : 1;
        WriteAll(channel[1], &status, 1);
        if (result) {
            WriteAll(channel[1], result.value().data(), result.value().size());
        } else {
            WriteAll(channel[1], result.error().data(), result.error().size());
        }
        close(channel[1]);
        _exit(0);
    }
    close(channel[1]);
    Bytes received;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(channel[0], buffer, sizeof buffer);
        if (n > 0) {
            received.insert(received.end(), buffer, buffer + n);
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    close(channel[0]);
    int wstatus = 0;
    while (waitpid(child, &wstatus, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(wstatus) || WEXITSTATUS(wstatus) != 0 || received.empty()) {
        return MakeError(crashMessage +
                         (WIFSIGNALED(wstatus) ? " (signal " + std::to_string(WTERMSIG(wstatus)) + ")" : std::string()));
    }
    if (received.front() != 0) {
        return MakeError(std::string(received.begin() + 1, received.end()));
    }
    received.erase(received.begin());
    return received;
}

} // namespace

Status RunInChildProcess(const std::function<Status()>& work, const std::string& crashMessage) {
    auto result = Run(
        [&]() -> Result<Bytes> {
            Status status = work();
            if (!status) {
                return MakeError(status.error());
            }
            return Bytes{};
        },
        crashMessage);
    if (!result) {
        return MakeError(result.error());
    }
    return {};
}

Result<std::vector<std::uint8_t>> RunInChildProcess(const std::function<Result<std::vector<std::uint8_t>>()>& work,
                                                    const std::string& crashMessage) {
    return Run(work, crashMessage);
}

} // namespace orv
