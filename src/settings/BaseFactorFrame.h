#pragma once

// One cost of an upgrade: the base and the factor added per level, in a group box whose
// caption the page sets.

#include <QWidget>

class QGroupBox;
class QLineEdit;

namespace orv {

class TUpgradeData : public QWidget {
public:
    explicit TUpgradeData(QWidget* parent = nullptr);

    void SetCaption(const QString& caption);
    void SetValues(unsigned base, unsigned factor);
    void SetInputsEnabled(bool enabled);

    QGroupBox* Box = nullptr;
    QLineEdit* basecost = nullptr;   // "Base"
    QLineEdit* factoredit = nullptr; // "Factor"
};

} // namespace orv
