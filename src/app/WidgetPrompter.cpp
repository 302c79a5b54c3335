#include "app/WidgetPrompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace orv {

std::string QtNameFilter(const std::string& filter) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t bar = filter.find('|', start);
        parts.push_back(filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos) {
            break;
        }
        start = bar + 1;
    }
    std::string out;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string patterns = parts[i + 1];
        for (char& c : patterns) {
            if (c == ';') {
                c = ' ';
            }
        }
        // Qt reads the patterns from the description's parenthesis: a description that shows
        // its own loses it for the real list.
        std::string description = parts[i];
        if (const auto open = description.rfind('(');
            open != std::string::npos && description.back() == ')') {
            description.erase(open);
        }
        while (!description.empty() && description.back() == ' ') {
            description.pop_back();
        }
        if (!out.empty()) {
            out += ";;";
        }
        out += description + " (" + patterns + ")";
    }
    return out;
}

namespace {

// Messages hold file names and map texts, which may contain anything: they are always shown
// as plain text, never read as markup.
int ShowPlainBox(QWidget* parent, QMessageBox::Icon icon, const std::string& text,
                 QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton) {
    QMessageBox box(icon, QApplication::applicationName(), QString::fromStdString(text), buttons, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    return box.exec();
}

} // namespace

void TWidgetPrompter::ShowMessage(const std::string& text) {
    ShowPlainBox(m_parent, QMessageBox::Information, text, QMessageBox::Ok, QMessageBox::Ok);
}

void TWidgetPrompter::ShowError(const std::string& text) {
    ShowPlainBox(m_parent, QMessageBox::Warning, text, QMessageBox::Ok, QMessageBox::Ok);
}

Prompter::Answer TWidgetPrompter::AskYesNoCancel(const std::string& text) {
    const int button =
        ShowPlainBox(m_parent, QMessageBox::Question, text,
                     QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (button == QMessageBox::Yes) {
        return Answer::Yes;
    }
    return button == QMessageBox::No ? Answer::No : Answer::Cancel;
}

std::optional<std::string> TWidgetPrompter::InputText(const std::string& caption, const std::string& prompt,
                                                      const std::string& initial) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(m_parent, QString::fromStdString(caption), QString::fromStdString(prompt),
                              QLineEdit::Normal, QString::fromStdString(initial), &ok);
    if (!ok) {
        return std::nullopt;
    }
    return text.toStdString();
}

std::vector<std::string> TWidgetPrompter::ChooseFilesToOpen(const std::string& caption,
                                                            const std::string& filter) {
    const QStringList names = QFileDialog::getOpenFileNames(
        m_parent, QString::fromStdString(caption), QString(), QString::fromStdString(QtNameFilter(filter)));
    std::vector<std::string> out;
    for (const QString& name : names) {
        out.push_back(name.toStdString());
    }
    return out;
}

std::optional<std::string> TWidgetPrompter::ChooseFileToSave(const std::string& caption,
                                                             const std::string& filter,
                                                             const std::string& defaultExtension,
                                                             const std::string& start) {
    QFileDialog dialog(m_parent, QString::fromStdString(caption), QString::fromStdString(start),
                       QString::fromStdString(QtNameFilter(filter)));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    std::string suffix = defaultExtension;
    while (!suffix.empty() && (suffix.front() == '*' || suffix.front() == '.')) {
        suffix.erase(suffix.begin());
    }
    dialog.setDefaultSuffix(QString::fromStdString(suffix));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front().toStdString();
}

std::optional<std::string> TWidgetPrompter::ChooseFolder(const std::string& caption) {
    const QString folder = QFileDialog::getExistingDirectory(m_parent, QString::fromStdString(caption));
    if (folder.isEmpty()) {
        return std::nullopt;
    }
    return folder.toStdString();
}

} // namespace orv
