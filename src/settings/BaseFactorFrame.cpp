#include "settings/BaseFactorFrame.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

namespace orv {

TUpgradeData::TUpgradeData(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    Box = new QGroupBox(this);
    layout->addWidget(Box);
    auto* form = new QFormLayout(Box);
    basecost = new QLineEdit("0", Box);
    basecost->setObjectName("basecost");
    factoredit = new QLineEdit("0", Box);
    factoredit->setObjectName("factoredit");
    form->addRow("Base", basecost);
    form->addRow("Factor", factoredit);
    SetInputsEnabled(false);
}

void TUpgradeData::SetCaption(const QString& caption) {
    Box->setTitle(caption);
}

void TUpgradeData::SetValues(unsigned base, unsigned factor) {
    basecost->setText(QString::number(base));
    factoredit->setText(QString::number(factor));
}

void TUpgradeData::SetInputsEnabled(bool enabled) {
    basecost->setEnabled(enabled);
    factoredit->setEnabled(enabled);
}

} // namespace orv
