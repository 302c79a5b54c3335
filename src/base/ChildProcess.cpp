#include "base/ChildProcess.h"

#include <cerrno>
#include <sys/wait.h>
#include <unistd.h>

namespace orv {

Status RunInChildProcess(const std::function<Status()>& work, const std::string& crashMessage) {
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
        const Status status = work();
        if (!status) {
            const std::string& message = status.error();
            for (std::size_t done = 0; done < message.size();) {
                const ssize_t n = write(channel[1], message.data() + done, message.size() - done);
                if (n <= 0) {
                    break;
                }
                done += static_cast<std::size_t>(n);
            }
        }
        close(channel[1]);
        _exit(status ? 0 : 1);
    }
    close(channel[1]);
    std::string message;
    char buffer[512];
    for (;;) {
        const ssize_t n = read(channel[0], buffer, sizeof buffer);
        if (n > 0) {
            message.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    close(channel[0]);
    int wstatus = 0;
    while (waitpid(child, &wstatus, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0) {
        return {};
    }
    if (WIFEXITED(wstatus) && !message.empty()) {
        return MakeError(message);
    }
    return MakeError(crashMessage +
                     (WIFSIGNALED(wstatus) ? " (signal " + std::to_string(WTERMSIG(wstatus)) + ")" : std::string()));
}

} // namespace orv
