#include "base/ChildProcess.h"

#include "support/TestSupport.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define ORV_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORV_TEST_ASAN 1
#endif
#endif

namespace orv {
namespace {

TEST(ChildProcess, PassesSuccessAndMessagesBack) {
    EXPECT_TRUE(RunInChildProcess([] { return Status{}; }, "crashed").ok());
    const Status failed =
        RunInChildProcess([] { return Status(MakeError(std::string(5000, 'x') + " end")); }, "crashed");
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error(), std::string(5000, 'x') + " end");
}

TEST(ChildProcess, ACrashBecomesAnError) {
    const Status crashed = RunInChildProcess([]() -> Status { std::abort(); }, "it crashed");
    ASSERT_FALSE(crashed.ok());
    EXPECT_EQ(crashed.error(), "it crashed (signal 6)");
}

TEST(ChildProcess, WorkOnFilesIsSeenByTheParent) {
    test::TempDir dir;
    ASSERT_TRUE(RunInChildProcess(
                    [&] {
                        test::WriteBytes(dir.path() / "made", {1, 2, 3});
                        return Status{};
                    },
                    "crashed")
                    .ok());
    EXPECT_EQ(test::ReadBytes(dir.path() / "made"), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(ChildProcessLimits, WorkThatNeedsTooMuchMemoryIsStoppedWithAClearError) {
#ifdef ORV_TEST_ASAN
    GTEST_SKIP() << "the address-space limit is not applied under AddressSanitizer";
#else
    ChildLimits limits;
    limits.memoryBytes = 64u << 20;
    const Status greedy = RunInChildProcess(
        [] {
            std::vector<char> block(std::size_t{1} << 30);
            std::memset(block.data(), 1, block.size());
            return Status{};
        },
        "the library failed", limits);
    ASSERT_FALSE(greedy.ok());
    EXPECT_EQ(greedy.error(), "the library failed (it needed more than its limit of 64 MiB of memory)");
    // Within the limit the same kind of work is fine.
    EXPECT_TRUE(RunInChildProcess(
                    [] {
                        std::vector<char> block(std::size_t{16} << 20);
                        std::memset(block.data(), 1, block.size());
                        return Status{};
                    },
                    "the library failed", limits)
                    .ok());
#endif
}

TEST(ChildProcessLimits, WorkThatSpinsOrWaitsIsStoppedWithAClearError) {
    ChildLimits limits;
    limits.cpuSeconds = 1;
    limits.wallSeconds = 60;
    const Status spinning = RunInChildProcess(
        [] {
            volatile unsigned long spins = 0;
            for (;;) {
                spins = spins + 1;
            }
            return Status{};
        },
        "the library failed", limits);
    ASSERT_FALSE(spinning.ok());
    EXPECT_EQ(spinning.error(),
              "the library failed (it used more than its limit of 1 s of processor time, or "
              "1024 MiB of memory, and was stopped)");

    limits.cpuSeconds = 60;
    limits.wallSeconds = 1;
    const Result<std::vector<std::uint8_t>> waiting = RunInChildProcess(
        []() -> Result<std::vector<std::uint8_t>> {
            for (;;) {
                pause();
            }
        },
        "the library failed", limits);
    ASSERT_FALSE(waiting.ok());
    EXPECT_EQ(waiting.error(), "the library failed (it took longer than its limit of 1 s and was stopped)");
}

TEST(ChildProcessLimits, LargeResultsComeBackWhole) {
    const auto bytes = test::Pattern(5u << 20, 9);
    auto back = RunInChildProcess([&]() -> Result<std::vector<std::uint8_t>> { return bytes; }, "crashed");
    ASSERT_TRUE(back.ok()) << back.error();
    EXPECT_EQ(back.value(), bytes);
}

} // namespace
} // namespace orv
