#include "tools/UnitProperties.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace orv {

TUnitForm::TUnitForm(const UnitRecord& unit, const std::string& typeName, QWidget* parent)
    : QDialog(parent), m_typeName(typeName) {
    setObjectName("UnitForm");
    auto* column = new QVBoxLayout(this);
    auto* form = new QFormLayout();
    UnitOwner = new QComboBox(this);
    UnitOwner->setObjectName("UnitOwner");
    for (int p = 1; p <= 12; ++p) {
        UnitOwner->addItem(QString("Player %1").arg(p), p - 1);
    }
    // An owner past the twelve players (maps may hold one) is shown and kept as it is.
    if (unit.Owner > 11) {
        UnitOwner->addItem(QString("Owner %1").arg(unit.Owner), unit.Owner);
    }
    UnitOwner->setCurrentIndex(UnitOwner->findData(unit.Owner));
    form->addRow("Owner", UnitOwner);
    const std::array<const char*, 5> labels{"Hit Point %", "Shield Point %", "Energy %", "Resources",
                                            "In Hanger"};
    const std::array<const char*, 5> names{"HP", "SP", "Energy", "Resources", "Hanger"};
    const std::array<long long, 5> values{unit.HitPoints, unit.Shields, unit.Energy, unit.Resources,
                                          unit.Hangar};
    // Valid elements: hit points 2, shields 4, energy 8, resources 16, hangar 32.
    for (std::size_t i = 0; i < Fields.size(); ++i) {
        auto* row = new QHBoxLayout();
        Fields[i] = new QLineEdit(QString::number(values[i]), this);
        Fields[i]->setObjectName(names[i]);
        const bool enabled = (unit.ValidProps & (2 << i)) != 0;
        Fields[i]->setEnabled(enabled);
        row->addWidget(Fields[i], 1);
        // The up-down steps from 0 to 100; any whole number can be typed.
        for (const int step : {1, -1}) {
            auto* button = new QToolButton(this);
            button->setArrowType(step > 0 ? Qt::UpArrow : Qt::DownArrow);
            button->setEnabled(enabled);
            QLineEdit* field = Fields[i];
            connect(button, &QToolButton::clicked, this, [field, step] {
                bool ok = false;
                const long long v = field->text().trimmed().toLongLong(&ok);
                field->setText(QString::number(std::clamp<long long>(ok ? v + step : 0, 0, 100)));
            });
            row->addWidget(button);
        }
        form->addRow(labels[i], row);
    }
    column->addLayout(form);
    const std::array<const char*, 5> states{"Cloaked", "Burrowed", "In Transit", "Hallucinated",
                                            "Invincible"};
    auto* boxes = new QHBoxLayout();
    for (std::size_t i = 0; i < States.size(); ++i) {
        States[i] = new QCheckBox(states[i], this);
        States[i]->setChecked((unit.State & (1 << i)) != 0);
        States[i]->setEnabled((unit.ValidState & (1 << i)) != 0);
        boxes->addWidget(States[i]);
    }
    column->addLayout(boxes);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    column->addWidget(buttons);
    connect(UnitOwner, &QComboBox::currentIndexChanged, this, [this] { UpdateCaption(); });
    UpdateCaption();
}

void TUnitForm::UpdateCaption() {
    setWindowTitle(QString::fromStdString("Editing unit properties for: " + m_typeName + "  ") +
                   UnitOwner->currentText());
}

Result<TUnitProperties> TUnitForm::Properties() const {
    std::array<std::string, 5> texts;
    for (std::size_t i = 0; i < Fields.size(); ++i) {
        texts[i] = Fields[i]->text().toStdString();
    }
    int state = 0;
    for (std::size_t i = 0; i < States.size(); ++i) {
        if (States[i]->isChecked()) {
            state |= 1 << i;
        }
    }
    return ParseUnitProperties(UnitOwner->currentData().toInt(), texts, state);
}

void TUnitForm::done(int result) {
    // There is no cancel: every way of closing applies the fields.
    if (OnApply && !OnApply(Properties())) {
        return;
    }
    QDialog::done(result);
}

} // namespace orv
