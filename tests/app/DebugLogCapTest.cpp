// The debug log's cost: a session opens the file once, every line still reaches the file
// at once, and the file never grows far past its cap.

#include "app/Debugunit.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace orv {
namespace {

namespace fs = std::filesystem;

std::size_t OpenDescriptors() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

class DebugLogCost : public ::testing::Test {
protected:
    void SetUp() override { SetDebugLogPath(path); }
    void TearDown() override {
        SetDebugLogPath({});
        SetDebugLogCap(kDefaultDebugLogCap);
    }
    std::string Contents() const {
        const auto bytes = test::ReadBytes(path);
        return {bytes.begin(), bytes.end()};
    }
    test::TempDir dir;
    fs::path path = dir.path() / "state" / "debug.txt";
};

TEST_F(DebugLogCost, ASessionKeepsOneFileOpenAndEveryLineIsInTheFileAtOnce) {
    const std::size_t before = OpenDescriptors();
    {
        DebugLogSession session;
        DebugLogSession nested;
        for (int i = 0; i < 200; ++i) {
            DebugLog("line " + std::to_string(i));
            ASSERT_NE(Contents().find(" : line " + std::to_string(i) + "\r\n"), std::string::npos) << i;
        }
        EXPECT_EQ(OpenDescriptors(), before + 1);
    }
    EXPECT_EQ(OpenDescriptors(), before);
    DebugLog("after");
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_TRUE(Contents().ends_with(" : after\r\n"));
}

TEST_F(DebugLogCost, PastItsCapTheOldestHalfIsDropped) {
    SetDebugLogCap(4096);
    for (int round = 0; round < 2; ++round) {
        DebugLogSession session; // the same with and without a session
        for (int i = 0; i < 1000; ++i) {
            DebugLog("round " + std::to_string(round) + " line " + std::to_string(i));
            if (round == 1) {
                break;
            }
        }
    }
    for (int i = 1; i < 500; ++i) {
        DebugLog("unsessioned " + std::to_string(i));
    }
    const std::string text = Contents();
    EXPECT_LE(text.size(), 4096u);
    EXPECT_GT(text.size(), 4096u / 2 - 100); // half kept, never the whole file dropped
    // Whole lines only, the newest kept, in order and without gaps.
    ASSERT_TRUE(text.ends_with(" : unsessioned 499\r\n"));
    std::size_t at = 0;
    int previous = -1;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        ASSERT_NE(end, std::string::npos);
        const std::string line = text.substr(at, end - at);
        const std::size_t mark = line.find(" : unsessioned ");
        ASSERT_NE(mark, std::string::npos) << line;
        ASSERT_NE(line.find("  :  "), std::string::npos) << line;
        const int number = std::stoi(line.substr(mark + 15));
        if (previous >= 0) {
            EXPECT_EQ(number, previous + 1);
        }
        previous = number;
        at = end + 2;
    }
}

} // namespace
} // namespace orv
