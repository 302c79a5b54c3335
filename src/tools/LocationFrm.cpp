#include "tools/LocationFrm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include "scenario/MapText.h"
#include "settings/stringframe.h"

#include <climits>

namespace orv {
namespace {

// The flag bits of the colour items.
constexpr std::array<std::uint16_t, 3> kColourBits{64, 128, 256};

// The first line of a name, without its formatting tags' bytes, for the caption.
QString CaptionName(const std::string& shown) {
    QString name = QString::fromStdString(shown.substr(0, shown.find_first_of("\r\n")));
    name.removeIf([](QChar c) { return c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0); });
    return name;
}

} // namespace

TLocationForm::TLocationForm(const TCHK& chk, int slot, const TMapText& text, QWidget* parent)
    : QDialog(parent) {
    setObjectName("LocationForm");
    const LocationSlot& l = chk.Locations[static_cast<std::size_t>(slot)];
    // A location without a string opens with an empty name.
    const std::string& bytes = chk.Strings.Text(l.Name);
    setWindowTitle("Editing Location: " + CaptionName(text.Show(bytes)));

    auto* column = new QVBoxLayout(this);
    auto* nameBox = new QGroupBox("Name", this);
    auto* nameColumn = new QVBoxLayout(nameBox);
    NameFrame = new TStringFrm(nameBox);
    NameFrame->SetStr(bytes, text);
    NameFrame->StringDisplay->setMaximumHeight(90);
    nameColumn->addWidget(NameFrame);
    column->addWidget(nameBox);

    auto* row = new QHBoxLayout();
    auto* elevationBox = new QGroupBox("Elevation", this);
    elevationBox->setToolTip("The elevations the location applies to");
    auto* grid = new QGridLayout(elevationBox);
    const std::array<const char*, 6> names{"Low Ground", "Medium Ground", "High Ground",
                                           "Low Air",    "Medium Air",    "High Air"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        Elevations[i] = new QCheckBox(names[i], elevationBox);
        // A set bit leaves that elevation out.
        Elevations[i]->setChecked((l.Flags & (1u << i)) == 0);
        grid->addWidget(Elevations[i], static_cast<int>(i % 3), static_cast<int>(i / 3));
    }
    row->addWidget(elevationBox);

    auto* placeBox = new QGroupBox("Place", this);
    auto* form = new QFormLayout(placeBox);
    Colour = new QComboBox(placeBox);
    Colour->addItems({"BLUE", "GREEN", "RED"});
    Colour->setPlaceholderText("(none: drawn blue)");
    Colour->setCurrentIndex(-1);
    for (std::size_t i = 0; i < kColourBits.size(); ++i) {
        if (l.Flags & kColourBits[i]) {
            Colour->setCurrentIndex(static_cast<int>(i)); // the last set bit wins
        }
    }
    form->addRow("Colour", Colour);
    const std::array<std::int32_t, 4> edges{l.Left, l.Top, l.Right, l.Bottom};
    const std::array<const char*, 4> edgeNames{"Left", "Top", "Right", "Bottom"};
    for (std::size_t i = 0; i < Edges.size(); ++i) {
        Edges[i] = new QSpinBox(placeBox);
        Edges[i]->setRange(INT_MIN, INT_MAX);
        Edges[i]->setValue(edges[i]);
        Edges[i]->setToolTip("Map pixels (32 to a tile)");
        form->addRow(edgeNames[i], Edges[i]);
    }
    row->addWidget(placeBox);
    column->addLayout(row);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TLocationForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TLocationForm::reject);
    column->addWidget(buttons);
}

TLocationProperties TLocationForm::Properties() const {
    TLocationProperties p;
    if (NameFrame->Changed()) {
        p.Name = NameFrame->Text();
    }
    for (std::size_t i = 0; i < Elevations.size(); ++i) {
        if (!Elevations[i]->isChecked()) {
            p.Flags = static_cast<std::uint16_t>(p.Flags | (1u << i));
        }
    }
    if (Colour->currentIndex() >= 0) {
        p.Flags = static_cast<std::uint16_t>(p.Flags |
                                             kColourBits[static_cast<std::size_t>(Colour->currentIndex())]);
    }
    p.Left = Edges[0]->value();
    p.Top = Edges[1]->value();
    p.Right = Edges[2]->value();
    p.Bottom = Edges[3]->value();
    return p;
}

void TLocationForm::accept() {
    if (!OnApply || OnApply(Properties())) {
        QDialog::accept();
    }
}

} // namespace orv
