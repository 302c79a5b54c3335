#pragma once

// Message boxes and input boxes go through this interface: the editor's windows implement
// it with dialogs, the command line with standard error, and tests record what was asked.

#include <optional>
#include <string>
#include <vector>

namespace orv {

class Prompter {
public:
    enum class Answer { Yes, No, Cancel };

    virtual ~Prompter() = default;

    // A message the user acknowledges.
    virtual void ShowMessage(const std::string& text) = 0;

    // A failure the user acknowledges (shown with a warning); a plain message by default.
    virtual void ShowError(const std::string& text) { ShowMessage(text); }

    // A line of text; nothing when the user cancels.
    virtual std::optional<std::string> InputText(const std::string& caption, const std::string& prompt,
                                                 const std::string& initial) = 0;

    // A question answered Yes, No or Cancel. Nobody to ask: No.
    virtual Answer AskYesNoCancel(const std::string& text) {
        (void)text;
        return Answer::No;
    }

    // File dialogs. `filter` reads "Description|*.a;*.b|Other|*.c". Nothing chosen (the user
    // cancelled, or nobody can be asked) gives an empty answer.
    virtual std::vector<std::string> ChooseFilesToOpen(const std::string& caption,
                                                       const std::string& filter) {
        (void)caption;
        (void)filter;
        return {};
    }
    // `start` is the file the dialog starts with (its folder and name); empty: anywhere.
    virtual std::optional<std::string> ChooseFileToSave(const std::string& caption, const std::string& filter,
                                                        const std::string& defaultExtension,
                                                        const std::string& start) {
        (void)caption;
        (void)filter;
        (void)defaultExtension;
        (void)start;
        return std::nullopt;
    }
    // A folder; nothing when the user cancels.
    virtual std::optional<std::string> ChooseFolder(const std::string& caption) {
        (void)caption;
        return std::nullopt;
    }
};

} // namespace orv

namespace orv {

// For work nobody watches (reports, fuzzing): messages are dropped, questions cancelled.
class SilentPrompter : public Prompter {
public:
    void ShowMessage(const std::string&) override {}
    std::optional<std::string> InputText(const std::string&, const std::string&,
                                         const std::string&) override {
        return std::nullopt;
    }
};

} // namespace orv
