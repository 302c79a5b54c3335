#include "base/ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <new>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define ORV_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORV_ADDRESS_SANITIZER 1
#endif
#endif

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

#ifndef ORV_ADDRESS_SANITIZER
// The address space this process has mapped now (the first field of /proc/self/statm).
std::uint64_t MappedBytes() {
    std::uint64_t pages = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        unsigned long long value = 0;
        if (std::fscanf(statm, "%llu", &value) == 1) {
            pages = value;
        }
        std::fclose(statm);
    }
    return pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}
#endif

void ApplyLimits(const ChildLimits& limits) {
#ifndef ORV_ADDRESS_SANITIZER
    const rlim_t memory = MappedBytes() + limits.memoryBytes;
    const rlimit as{memory, memory};
    setrlimit(RLIMIT_AS, &as);
#endif
    // Past the soft limit the kernel sends SIGXCPU, past the hard one SIGKILL.
    const rlimit cpu{static_cast<rlim_t>(limits.cpuSeconds), static_cast<rlim_t>(limits.cpuSeconds) + 1};
    setrlimit(RLIMIT_CPU, &cpu);
}

std::string MemoryText(const ChildLimits& limits) {
    return std::to_string(limits.memoryBytes >> 20) + " MiB";
}

// The child writes one status byte (0 = success), then the bytes or the error message.
Result<Bytes> Run(const std::function<Result<Bytes>()>& work, const std::string& crashMessage,
                  const ChildLimits& limits) {
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
        ApplyLimits(limits);
        Result<Bytes> result = MakeError(crashMessage);
        try {
            result = work();
        } catch (const std::bad_alloc&) {
            result = MakeError(crashMessage + " (it needed more than its limit of " + MemoryText(limits) +
                               " of memory)");
        } catch (const std::exception& e) {
            result = MakeError(crashMessage + " (" + e.what() + ")");
        }
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
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limits.wallSeconds);
    bool timedOut = false;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                .count();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd ready{channel[0], POLLIN, 0};
        const int polled = poll(&ready, 1, static_cast<int>(std::min<long long>(left, 60000)));
        if (polled < 0 && errno == EINTR) {
            continue;
        }
        if (polled < 0) {
            break;
        }
        if (polled == 0) {
            continue; // the loop's own clock decides
        }
        const ssize_t n = read(channel[0], buffer, sizeof buffer);
        if (n > 0) {
            received.insert(received.end(), buffer, buffer + n);
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    if (timedOut) {
        kill(child, SIGKILL);
    }
    close(channel[0]);
    int wstatus = 0;
    while (waitpid(child, &wstatus, 0) < 0 && errno == EINTR) {
    }
    if (timedOut) {
        return MakeError(crashMessage + " (it took longer than its limit of " +
                         std::to_string(limits.wallSeconds) + " s and was stopped)");
    }
    if (WIFSIGNALED(wstatus) && (WTERMSIG(wstatus) == SIGXCPU || WTERMSIG(wstatus) == SIGKILL)) {
        // SIGKILL without our own timeout comes from the hard processor-time limit, or from
        // the system when memory runs out.
        return MakeError(crashMessage + " (it used more than its limit of " +
                         std::to_string(limits.cpuSeconds) + " s of processor time, or " +
                         MemoryText(limits) + " of memory, and was stopped)");
    }
    if (!WIFEXITED(wstatus) || WEXITSTATUS(wstatus) != 0 || received.empty()) {
        return MakeError(crashMessage + (WIFSIGNALED(wstatus)
                                             ? " (signal " + std::to_string(WTERMSIG(wstatus)) + ")"
                                             : std::string()));
    }
    if (received.front() != 0) {
        return MakeError(std::string(received.begin() + 1, received.end()));
    }
    received.erase(received.begin());
    return received;
}

} // namespace

Status RunInChildProcess(const std::function<Status()>& work, const std::string& crashMessage,
                         const ChildLimits& limits) {
    auto result = Run(
        [&]() -> Result<Bytes> {
            Status status = work();
            if (!status) {
                return MakeError(status.error());
            }
            return Bytes{};
        },
        crashMessage, limits);
    if (!result) {
        return MakeError(result.error());
    }
    return {};
}

Result<std::vector<std::uint8_t>>
RunInChildProcess(const std::function<Result<std::vector<std::uint8_t>>()>& work,
                  const std::string& crashMessage, const ChildLimits& limits) {
    return Run(work, crashMessage, limits);
}

} // namespace orv
