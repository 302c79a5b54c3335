#include "settings/ScenarioSettingsFrame.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "graphics/OrvistadTypes.h"
#include "settings/SettingsStore.h"
#include "settings/stringframe.h"

#include <algorithm>

namespace orv {
namespace {

constexpr std::array<const char*, 12> kColours{"Red",    "Blue",        "Teal",  "Purple",
                                               "Orange", "Brown",       "White", "Yellow",
                                               "Green",  "Pale Yellow", "Tan",   "Dark Aqua [Neutral]"};
constexpr std::array<const char*, 8> kRaces{"Zerg",    "Terran",      "Protoss",  "Independent",
                                            "Neutral", "User Select", "Inactive", "Human"};
constexpr std::array<const char*, 4> kOwnerNames{"Rescuable", "Computer", "Human", "Neutral"};
constexpr std::array<const char*, 8> kTilesets{"Badlands",     "Space Platform", "Installation", "Ash World",
                                               "Jungle World", "Desert",         "Ice",          "Twilight"};

template <std::size_t N>
QComboBox* Combo(QWidget* parent, const QString& name, const std::array<const char*, N>& items) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    for (const char* item : items) {
        combo->addItem(item);
    }
    return combo;
}

QSpinBox* SizeBox(QWidget* parent, const char* name) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(1, 256);
    // Stored when the typing ends (Enter, leaving the box) or an arrow steps it.
    box->setKeyboardTracking(false);
    return box;
}

} // namespace

TScenarioSetFRAME::TScenarioSetFRAME(TSettingsStore& store, Prompter& ask, QWidget* parent)
    : QWidget(parent), m_store(store), m_ask(ask) {
    setObjectName("ScenarioSettings");
    auto* column = new QVBoxLayout(this);

    auto* scenario = new QGroupBox("Scenario", this);
    auto* scenarioRows = new QFormLayout(scenario);
    MapName = new TStringFrm(scenario);
    MapName->setObjectName("MapName");
    MapName->StringDisplay->setMaximumHeight(48);
    MapDescrip = new TStringFrm(scenario);
    MapDescrip->setObjectName("MapDescrip");
    BroodWar = new QCheckBox("Brood War Scenario", scenario);
    BroodWar->setObjectName("BroodWar");
    scenarioRows->addRow("Map Name", MapName);
    scenarioRows->addRow("Map Description", MapDescrip);
    scenarioRows->addRow(BroodWar);
    column->addWidget(scenario, 1);

    auto* players = new QGroupBox("Players", this);
    auto* grid = new QGridLayout(players);
    for (int p = 0; p < 8; ++p) {
        auto* box = new QGroupBox(QString("Player %1").arg(p + 1), players);
        auto* rows = new QFormLayout(box);
        const auto index = static_cast<std::size_t>(p);
        color[index] = Combo(box, QString("color%1").arg(p + 1), kColours);
        race[index] = Combo(box, QString("race%1").arg(p + 1), kRaces);
        side[index] = Combo(box, QString("side%1").arg(p + 1), kOwnerNames);
        rows->addRow("Color", color[index]);
        rows->addRow("Race", race[index]);
        rows->addRow("Owner", side[index]);
        grid->addWidget(box, p / 4, p % 4);
        connect(color[index], &QComboBox::currentIndexChanged, this, [this, p] { colorChange(p); });
        connect(race[index], &QComboBox::currentIndexChanged, this, [this, p] { raceChange(p); });
        connect(side[index], &QComboBox::currentIndexChanged, this, [this, p] { sideChange(p); });
    }
    column->addWidget(players);

    auto* map = new QHBoxLayout();
    Tileset = Combo(this, "Tileset", kTilesets);
    width = SizeBox(this, "width");
    width->setSingleStep(2); // the terrain is laid in pairs of tiles: widths are even
    height = SizeBox(this, "height");
    Terrain = new QListWidget(this);
    Terrain->setObjectName("Terrain");
    Terrain->setMaximumHeight(90);
    auto* sizes = new QFormLayout();
    sizes->addRow("Tileset", Tileset);
    sizes->addRow("Width", width);
    sizes->addRow("Height", height);
    map->addLayout(sizes);
    auto* terrainColumn = new QVBoxLayout();
    terrainColumn->addWidget(new QLabel("Base Terrain", this));
    terrainColumn->addWidget(Terrain);
    map->addLayout(terrainColumn, 1);
    column->addLayout(map);

    connect(Tileset, &QComboBox::currentIndexChanged, this, [this] { TilesetChange(); });
    connect(width, &QSpinBox::valueChanged, this, [this] { widthChange(); });
    connect(height, &QSpinBox::valueChanged, this, [this] { heightChange(); });
    // The base terrain is what cells that a larger size brings into the map get.
    connect(Terrain, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) {
            (void)m_store.SetBaseTerrain(row); // every row of the list is a terrain of the tileset
        }
    });
    Load();
}

void TScenarioSetFRAME::Load() {
    m_loading = true;
    const TCHK& chk = m_store.Chk();
    MapName->SetStr(m_store.StringBytes(chk.ScenarioName), m_store.Text());
    MapDescrip->SetStr(m_store.StringBytes(chk.ScenarioDescription), m_store.Text());
    Tileset->setCurrentIndex(m_store.PendingTileset());
    FillTerrain();
    width->setValue(m_store.PendingWidth());
    height->setValue(m_store.PendingHeight());
    for (int p = 0; p < 8; ++p) {
        ShowPlayer(p);
    }
    m_loading = false;
}

void TScenarioSetFRAME::ShowPlayer(int p) {
    const TCHK& chk = m_store.Chk();
    const auto index = static_cast<std::size_t>(p);
    const QSignalBlocker c(color[index]), r(race[index]), s(side[index]);
    color[index]->setCurrentIndex(chk.Colours[index] < kColours.size() ? chk.Colours[index] : -1);
    race[index]->setCurrentIndex(chk.Races[index] < kRaces.size() ? chk.Races[index] : -1);
    // An owner type the box does not offer shows as "Computer" and stays until changed.
    const auto owner = std::find(kOwners.begin(), kOwners.end(), chk.OwnerTypes[index]);
    side[index]->setCurrentIndex(owner == kOwners.end() ? 1 : static_cast<int>(owner - kOwners.begin()));
}

void TScenarioSetFRAME::FillTerrain() {
    const QSignalBlocker block(Terrain);
    Terrain->clear();
    const int tileset = std::clamp(m_store.PendingTileset(), 0, kTilesetCount - 1);
    for (std::string_view name : TerrainTypeNames[static_cast<std::size_t>(tileset)]) {
        if (!name.empty()) {
            Terrain->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
        }
    }
    Terrain->setCurrentRow(m_store.PendingBaseTerrain());
    Terrain->setToolTip("The terrain that cells a larger width or height brings into the map get");
}

bool TScenarioSetFRAME::Refused(const std::string& message) {
    m_ask.ShowError(message);
    m_refused = true;
    return false;
}

void TScenarioSetFRAME::widthChange() {
    if (m_loading || width->cleanText().isEmpty() || width->value() == m_store.PendingWidth()) {
        return;
    }
    if (Status set = m_store.SetWidth(width->value()); !set) {
        Refused(set.error());
        const QSignalBlocker block(width);
        width->setValue(m_store.PendingWidth());
    }
}

void TScenarioSetFRAME::heightChange() {
    if (m_loading || height->cleanText().isEmpty() || height->value() == m_store.PendingHeight()) {
        return;
    }
    if (Status set = m_store.SetHeight(height->value()); !set) {
        Refused(set.error());
        const QSignalBlocker block(height);
        height->setValue(m_store.PendingHeight());
    }
}

void TScenarioSetFRAME::TilesetChange() {
    if (m_loading || Tileset->currentIndex() < 0) {
        return;
    }
    if (Status set = m_store.SetTileset(Tileset->currentIndex()); !set) {
        Refused(set.error());
        const QSignalBlocker block(Tileset);
        Tileset->setCurrentIndex(m_store.PendingTileset());
    }
    FillTerrain();
}

void TScenarioSetFRAME::colorChange(int player) {
    if (Status set = m_store.SetColour(player, color[static_cast<std::size_t>(player)]->currentIndex());
        !set) {
        Refused(set.error());
        ShowPlayer(player);
    }
}

void TScenarioSetFRAME::raceChange(int player) {
    if (Status set = m_store.SetRace(player, race[static_cast<std::size_t>(player)]->currentIndex()); !set) {
        Refused(set.error());
        ShowPlayer(player);
    }
}

void TScenarioSetFRAME::sideChange(int player) {
    const int item = side[static_cast<std::size_t>(player)]->currentIndex();
    if (item < 0) {
        return;
    }
    if (Status set = m_store.SetOwner(player, kOwners[static_cast<std::size_t>(item)]); !set) {
        Refused(set.error());
        ShowPlayer(player);
    }
}

bool TScenarioSetFRAME::StoreCurrent() {
    // A size typed but not yet entered counts, as when the box is left.
    m_refused = false;
    width->interpretText();
    height->interpretText();
    if (m_refused) {
        return false;
    }
    if (MapName->Changed() && !m_store.SetName(MapName->Text())) {
        return false;
    }
    return !MapDescrip->Changed() || m_store.SetDescription(MapDescrip->Text());
}

} // namespace orv
