#pragma once

// A text field for one scenario string: its formatting bytes show as tags ("<1>" to "<8>",
// other control bytes as "<0B>"), the tag picker inserts the colour tags at the caret. The
// field works on text; the map's text encoding turns it back into bytes when it is stored,
// and a text given back unchanged keeps the string's bytes.

#include <QWidget>

#include <string>

class QComboBox;
class QPlainTextEdit;
class QPushButton;

namespace orv {

class TMapText;

class TStringFrm : public QWidget {
public:
    explicit TStringFrm(QWidget* parent = nullptr);

    // Shows a string's bytes as the map's text shows them.
    void SetStr(const std::string& bytes, const TMapText& text);
    // The field's text, tags included, with the string's own line breaks (CR LF unless the
    // string had bare line feeds).
    std::string Text() const;
    // The text differs from what SetStr showed.
    bool Changed() const;
    // Inserts the picker's tag at the caret ("Add"); nothing while no item is chosen.
    void AddClick();

    QPlainTextEdit* StringDisplay = nullptr;
    QComboBox* code = nullptr;
    QPushButton* AddButton = nullptr;

private:
    std::string m_shown; // the tagged text as shown, line breaks as in the string
    QString m_displayed; // what the edit box got
    bool m_crlf = true;
};

} // namespace orv
