#include "settings/stringframe.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "scenario/MapText.h"

#include <array>
#include <utility>

namespace orv {
namespace {

// The picker's items and the tags they insert.
constexpr std::array<std::pair<const char*, const char*>, 9> kTags{{{"Red", "<1>"},
                                                                    {"Green", "<2>"},
                                                                    {"blue", "<3>"},
                                                                    {"Yellow", "<4>"},
                                                                    {"5", "<5>"},
                                                                    {"6", "<6>"},
                                                                    {"7", "<7>"},
                                                                    {"8", "<8>"},
                                                                    {"JumpToStart", "<9>"}}};

} // namespace

TStringFrm::TStringFrm(QWidget* parent) : QWidget(parent) {
    setObjectName("StringFrm");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    StringDisplay = new QPlainTextEdit(this);
    StringDisplay->setObjectName("StringDisplay");
    StringDisplay->setTabChangesFocus(true);
    column->addWidget(StringDisplay);
    auto* row = new QHBoxLayout();
    code = new QComboBox(this);
    code->setObjectName("code");
    code->setPlaceholderText("Colorcode");
    for (const auto& [name, tag] : kTags) {
        code->addItem(name, QString(tag));
    }
    code->setCurrentIndex(-1);
    code->setToolTip("A colour or formatting tag to insert at the caret");
    row->addWidget(code, 1);
    AddButton = new QPushButton("Add", this);
    AddButton->setObjectName("Add");
    connect(AddButton, &QPushButton::clicked, this, [this] { AddClick(); });
    row->addWidget(AddButton);
    column->addLayout(row);
}

void TStringFrm::SetStr(const std::string& bytes, const TMapText& text) {
    m_shown = text.ShowTagged(bytes);
    const bool bareFeeds =
        m_shown.find('\n') != std::string::npos && m_shown.find("\r\n") == std::string::npos;
    m_crlf = !bareFeeds;
    m_displayed = QString::fromStdString(m_shown);
    m_displayed.replace("\r\n", "\n");
    StringDisplay->setPlainText(m_displayed);
}

std::string TStringFrm::Text() const {
    const QString plain = StringDisplay->toPlainText();
    if (plain == m_displayed) {
        return m_shown;
    }
    QString text = plain;
    if (m_crlf) {
        text.replace("\n", "\r\n");
    }
    return text.toStdString();
}

bool TStringFrm::Changed() const {
    return StringDisplay->toPlainText() != m_displayed;
}

void TStringFrm::AddClick() {
    if (code->currentIndex() < 0) {
        return;
    }
    StringDisplay->insertPlainText(code->currentData().toString());
    StringDisplay->setFocus();
}

} // namespace orv
