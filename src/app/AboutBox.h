#pragma once

// The about box: the program's name, version, a line on what it is, and its credits.

#include <QDialog>

class QLabel;

namespace orv {

class TAboutBox : public QDialog {
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QLabel* ProductName;
    QLabel* Version;
    QLabel* Copyright;
    QLabel* Comments;
};

} // namespace orv
