#include "app/GatePrompter.h"

#include "support/RecordingPrompter.h"

#include <gtest/gtest.h>
#include <thread>

namespace orv {
namespace {

TEST(GatePrompter, OtherThreadsNeverReachTheUserTheirMessagesWait) {
    test::RecordingPrompter user;
    user.answers.push_back("typed");
    GatePrompter gate(user);
    gate.ShowMessage("from the interface");
    EXPECT_EQ(gate.InputText("c", "p", "i"), "typed");
    std::thread::id loader;
    std::thread([&] {
        loader = std::this_thread::get_id();
        gate.ShowMessage("first");
        gate.ShowMessage("second");
        EXPECT_EQ(gate.InputText("c", "p", "i"), std::nullopt);
        EXPECT_EQ(gate.AskYesNoCancel("?"), Prompter::Answer::Cancel);
        EXPECT_TRUE(gate.ChooseFilesToOpen("Open", "*").empty());
    }).join();
    EXPECT_EQ(user.messages, std::vector<std::string>{"from the interface"});
    EXPECT_EQ(user.questions.size(), 1u);
    EXPECT_EQ(gate.TakeMessages(loader), (std::vector<std::string>{"first", "second"}));
    EXPECT_TRUE(gate.TakeMessages(loader).empty());
}

} // namespace
} // namespace orv
