#include "base/ChildProcess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace orv {
namespace {

TEST(ChildProcess, PassesSuccessAndMessagesBack) {
    EXPECT_TRUE(RunInChildProcess([] { return Status{}; }, "crashed").ok());
    const Status failed = RunInChildProcess([] { return Status(MakeError(std::string(5000, 'x') + " end")); }, "crashed");
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
    ASSERT_TRUE(RunInChildProcess([&] {
                    test::WriteBytes(dir.path() / "made", {1, 2, 3});
                    return Status{};
                }, "crashed").ok());
    EXPECT_EQ(test::ReadBytes(dir.path() / "made"), (std::vector<std::uint8_t>{1, 2, 3}));
}

} // namespace
} // namespace orv
