#pragma once

// A prompter that work running off the user-interface thread may use. Calls made on the
// thread that created it go straight to the prompter it wraps; calls from any other thread
// never show anything there: messages wait, per thread, until the interface thread takes
// them, and questions are answered as if cancelled.

#include "base/Prompter.h"

#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace orv {

class GatePrompter : public Prompter {
public:
    explicit GatePrompter(Prompter& inner);

    void ShowMessage(const std::string& text) override;
    void ShowError(const std::string& text) override;
    std::optional<std::string> InputText(const std::string& caption, const std::string& prompt,
                                         const std::string& initial) override;
    Answer AskYesNoCancel(const std::string& text) override;
    std::vector<std::string> ChooseFilesToOpen(const std::string& caption,
                                               const std::string& filter) override;
    std::optional<std::string> ChooseFileToSave(const std::string& caption, const std::string& filter,
                                                const std::string& defaultExtension,
                                                const std::string& start) override;
    std::optional<std::string> ChooseFolder(const std::string& caption) override;

    // The messages a thread left, in order; they are forgotten here.
    std::vector<std::string> TakeMessages(std::thread::id thread);

private:
    bool OnOwnThread() const { return std::this_thread::get_id() == m_owner; }

    Prompter& m_inner;
    std::thread::id m_owner;
    std::mutex m_lock;
    std::map<std::thread::id, std::vector<std::string>> m_waiting;
};

} // namespace orv
