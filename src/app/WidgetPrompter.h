#pragma once

// Messages, input boxes and file dialogs shown as the editor's dialogs.

#include "base/Prompter.h"

class QWidget;

namespace orv {

class TWidgetPrompter : public Prompter {
public:
    explicit TWidgetPrompter(QWidget* parent = nullptr) : m_parent(parent) {}
    void SetParent(QWidget* parent) { m_parent = parent; }

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

private:
    QWidget* m_parent;
};

// "Maps|*.scm;*.scx|All|*" as a Qt name filter: "Maps (*.scm *.scx);;All (*)".
std::string QtNameFilter(const std::string& filter);

} // namespace orv
