#include "app/Debugunit.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <regex>

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

TEST_F(DebugLogFile, AppendsOneLinePerCallCreatingTheFolder) {
    DebugLog("Images Dat");
    DebugLog("Sprites Dat");
    const std::string text = Contents();
    const std::regex line(R"([^\r\n]+  :  \d+ : (Images|Sprites) Dat\r\n)");
    std::smatch match;
    std::string rest = text;
    int lines = 0;
    while (std::regex_search(rest, match, line, std::regex_constants::match_continuous)) {
        ++lines;
        rest = match.suffix();
    }
    EXPECT_EQ(lines, 2) << text;
    EXPECT_TRUE(rest.empty()) << text;
    EXPECT_LT(text.find("Images"), text.find("Sprites"));
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
