#include "scenario/CreateMapDLG.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "base/Prompter.h"
#include "graphics/OrvistadTypes.h"
#include "scenario/NewMapDefaults.h"

#include <tuple>
#include <utility>

namespace orv {

TNewCHKDLG::TNewCHKDLG(Prompter& prompter, QWidget* parent) : QDialog(parent), m_prompter(prompter) {
    setObjectName("NewCHKDLG");
    setWindowTitle("NewCHKDLG");

    auto* sizeGroup = new QGroupBox("Map Size", this);
    auto* sizeLayout = new QGridLayout(sizeGroup);
    Width = new QSpinBox(sizeGroup);
    Height = new QSpinBox(sizeGroup);
    WidthSizes = new QComboBox(sizeGroup);
    HeightSizes = new QComboBox(sizeGroup);
    for (const auto& pair : {std::pair{Width, WidthSizes}, std::pair{Height, HeightSizes}}) {
        QSpinBox* box = pair.first;
        QComboBox* sizes = pair.second;
        // Free entry reaches past the valid sizes so that OK can say what is wrong.
        box->setRange(0, 999);
        for (int size : kUsualSizes) {
            sizes->addItem(QString::number(size));
        }
        // The list shows the spin box's size when it is a usual one, and fills it when chosen.
        connect(box, &QSpinBox::valueChanged, sizes,
                [sizes](int value) { sizes->setCurrentIndex(sizes->findText(QString::number(value))); });
        connect(sizes, &QComboBox::currentIndexChanged, box, [box, sizes](int index) {
            if (index >= 0) {
                box->setValue(sizes->itemText(index).toInt());
            }
        });
        box->setValue(128);
    }
    Width->setObjectName("Width");
    Height->setObjectName("Height");
    WidthSizes->setObjectName("WidthSizes");
    HeightSizes->setObjectName("HeightSizes");
    Square = new QCheckBox("Square", sizeGroup);
    Square->setObjectName("Square");
    sizeLayout->addWidget(new QLabel("Width", sizeGroup), 0, 0);
    sizeLayout->addWidget(Width, 0, 1);
    sizeLayout->addWidget(WidthSizes, 0, 2);
    sizeLayout->addWidget(new QLabel("Height", sizeGroup), 1, 0);
    sizeLayout->addWidget(Height, 1, 1);
    sizeLayout->addWidget(HeightSizes, 1, 2);
    sizeLayout->addWidget(Square, 2, 0, 1, 3);

    auto* settingsGroup = new QGroupBox("Initial Map Settings", this);
    auto* settingsLayout = new QGridLayout(settingsGroup);
    Tileset = new QListWidget(settingsGroup);
    Tileset->setObjectName("Tileset");
    Terrain = new QListWidget(settingsGroup);
    Terrain->setObjectName("Terrain");
    settingsLayout->addWidget(new QLabel("Tileset", settingsGroup), 0, 0);
    settingsLayout->addWidget(new QLabel("Terrain", settingsGroup), 0, 1);
    settingsLayout->addWidget(Tileset, 1, 0);
    settingsLayout->addWidget(Terrain, 1, 1);

    CreateMapBTN = new QPushButton("OK", this);
    CreateMapBTN->setObjectName("CreateMapBTN");
    CreateMapBTN->setDefault(true);
    CancelBTN = new QPushButton("Cancel", this);
    CancelBTN->setObjectName("CancelBTN");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CreateMapBTN);
    buttons->addWidget(CancelBTN);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sizeGroup);
    layout->addWidget(settingsGroup);
    layout->addLayout(buttons);

    for (std::string_view name : TilesetNames) {
        Tileset->addItem(QString::fromUtf8(name.data(), static_cast<int>(name.size())));
    }
    Tileset->setCurrentRow(0);
    TilesetClick();

    connect(Tileset, &QListWidget::currentRowChanged, this, [this] { TilesetClick(); });
    connect(Square, &QCheckBox::toggled, this, [this] { SquareClick(); });
    connect(Width, &QSpinBox::valueChanged, this, [this] { widthChange(); });
    connect(CreateMapBTN, &QPushButton::clicked, this, [this] { CreateMapBTNClick(); });
    connect(CancelBTN, &QPushButton::clicked, this, [this] { CancelBTNClick(); });
}

void TNewCHKDLG::TilesetClick() {
    const int tileset = std::max(0, Tileset->currentRow());
    Terrain->clear();
    for (std::string_view name : TerrainTypeNames[static_cast<std::size_t>(tileset)]) {
        if (!name.empty()) {
            Terrain->addItem(QString::fromUtf8(name.data(), static_cast<int>(name.size())));
        }
    }
    Terrain->setCurrentRow(0);
}

void TNewCHKDLG::SquareClick() {
    Height->setEnabled(!Square->isChecked());
    HeightSizes->setEnabled(!Square->isChecked());
}

void TNewCHKDLG::widthChange() {
    if (Square->isChecked()) {
        Height->setValue(Width->value());
    }
}

void TNewCHKDLG::CancelBTNClick() {
    hide();
}

int TNewCHKDLG::SelectedTerrainGroup() const {
    const int tileset = std::clamp(Tileset->currentRow(), 0, kTilesetCount - 1);
    // The named entries come first in every tileset, so the list position is the table index.
    const int row = std::clamp(Terrain->currentRow(), 0, kTerrainTypesPerTileset - 1);
    return TerrainTypeGroups[static_cast<std::size_t>(tileset)][static_cast<std::size_t>(row)];
}

std::string TNewCHKDLG::SizeProblem(const std::string& what, int side) {
    return NewMapSizeProblem(what, side);
}

void TNewCHKDLG::CreateMapBTNClick() {
    const int width = Width->value();
    const int height = Square->isChecked() ? width : Height->value();
    for (auto [what, side, box] : {std::tuple{"width", width, Width}, std::tuple{"height", height, Height}}) {
        if (const std::string problem = SizeProblem(what, side); !problem.empty()) {
            m_prompter.ShowMessage(problem);
            box->setFocus();
            box->selectAll();
            return; // the dialog stays open for a better value
        }
    }
    hide();
    if (OnCreateMap) {
        OnCreateMap(SelectedTerrainGroup(), std::clamp(Tileset->currentRow(), 0, kTilesetCount - 1), width,
                    height);
    }
}

} // namespace orv
