#include "app/Debugunit.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

class DebugLogFile : public ::testing::Test {
protected:
    void SetUp() override { SetDebugLogPath(dir.path() / "logs" / "debug.txt"); }
    void TearDown() override { SetDebugLogPath({}); }
    std::string Contents() {
        const auto bytes = test::ReadBytes(dir.path() / "logs" / "debug.txt");
        return {bytes.begin(), bytes.end()};
    }
    test::TempDir dir;
};

TEST(DebugLogLine, TimeThenTickCountThenMessageEndingInCrLf) {
    EXPECT_EQ(FormatDebugLogLine("18:07:56", 123456, "Images Dat"), "18:07:56  :  123456 : Images Dat\r\n");
}

// "<time>  :  <digits> : <message>" for each CR LF-terminated line.
bool IsLogLine(const std::string& line, const std::string& message) {
    const auto first = line.find("  :  ");
    const auto second = line.find(" : ", first == std::string::npos ? 0 : first + 5);
    if (first == std::string::npos || first == 0 || second == std::string::npos) {
        return false;
    }
    const std::string tick = line.substr(first + 5, second - first - 5);
    return !tick.empty() && tick.find_first_not_of("0123456789") == std::string::npos &&
           line.substr(second + 3) == message;
}

TEST_F(DebugLogFile, AppendsOneLinePerCallCreatingTheFolder) {
    DebugLog("Images Dat");
    DebugLog("Sprites Dat");
    const std::string text = Contents();
    const auto end1 = text.find("\r\n");
    ASSERT_NE(end1, std::string::npos) << text;
    const auto end2 = text.find("\r\n", end1 + 2);
    ASSERT_EQ(end2, text.size() - 2) << text;
    EXPECT_TRUE(IsLogLine(text.substr(0, end1), "Images Dat")) << text;
    EXPECT_TRUE(IsLogLine(text.substr(end1 + 2, end2 - end1 - 2), "Sprites Dat")) << text;
}

TEST_F(DebugLogFile, KeepsControlBytesOfTheMessage) {
    DebugLog("End of closing main form\n\r\n\r");
    EXPECT_NE(Contents().find("End of closing main form\n\r\n\r\r\n"), std::string::npos);
}

TEST(DebugLogUnwritable, NeverStopsTheProgram) {
    test::TempDir dir;
    test::WriteBytes(dir.path() / "file", {1});
    SetDebugLogPath(dir.path() / "file" / "debug.txt"); // a folder that cannot exist
    DebugLog("lost");
    SetDebugLogPath({});
    DebugLog("off");
    SUCCEED();
}

} // namespace
} // namespace orv
