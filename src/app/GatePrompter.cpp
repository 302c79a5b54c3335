#include "app/GatePrompter.h"

namespace orv {

GatePrompter::GatePrompter(Prompter& inner) : m_inner(inner), m_owner(std::this_thread::get_id()) {}

void GatePrompter::ShowMessage(const std::string& text) {
    if (OnOwnThread()) {
        m_inner.ShowMessage(text);
        return;
    }
    std::lock_guard<std::mutex> hold(m_lock);
    m_waiting[std::this_thread::get_id()].push_back(text);
}

void GatePrompter::ShowError(const std::string& text) {
    if (OnOwnThread()) {
        m_inner.ShowError(text);
        return;
    }
    std::lock_guard<std::mutex> hold(m_lock);
    m_waiting[std::this_thread::get_id()].push_back(text);
}

std::optional<std::string> GatePrompter::InputText(const std::string& caption, const std::string& prompt,
                                                   const std::string& initial) {
    return OnOwnThread() ? m_inner.InputText(caption, prompt, initial) : std::nullopt;
}

Prompter::Answer GatePrompter::AskYesNoCancel(const std::string& text) {
    return OnOwnThread() ? m_inner.AskYesNoCancel(text) : Answer::Cancel;
}

std::vector<std::string> GatePrompter::ChooseFilesToOpen(const std::string& caption,
                                                         const std::string& filter) {
    return OnOwnThread() ? m_inner.ChooseFilesToOpen(caption, filter) : std::vector<std::string>{};
}

std::optional<std::string> GatePrompter::ChooseFileToSave(const std::string& caption,
                                                          const std::string& filter,
                                                          const std::string& defaultExtension,
                                                          const std::string& start) {
    return OnOwnThread() ? m_inner.ChooseFileToSave(caption, filter, defaultExtension, start) : std::nullopt;
}

std::optional<std::string> GatePrompter::ChooseFolder(const std::string& caption) {
    return OnOwnThread() ? m_inner.ChooseFolder(caption) : std::nullopt;
}

std::vector<std::string> GatePrompter::TakeMessages(std::thread::id thread) {
    std::lock_guard<std::mutex> hold(m_lock);
    std::vector<std::string> messages;
    if (auto it = m_waiting.find(thread); it != m_waiting.end()) {
        messages = std::move(it->second);
        m_waiting.erase(it);
    }
    return messages;
}

} // namespace orv
