#pragma once

// The "Scenario" page of the scenario settings window: the map's name and description, the
// eight players' colour, race and owner, and the map's tileset and size. Every change goes
// to the settings store at once; the name and description when the window closes.

#include <QWidget>

#include <array>

class QCheckBox;
class QComboBox;
class QListWidget;
class QSpinBox;

namespace orv {

class Prompter;
class TSettingsStore;
class TStringFrm;

class TScenarioSetFRAME : public QWidget {
public:
    TScenarioSetFRAME(TSettingsStore& store, Prompter& ask, QWidget* parent = nullptr);

    // Shows the store's values.
    void Load();
    // Stores the name, the description and a size still being typed; false when a value was
    // refused (the user was told).
    bool StoreCurrent();

    // The owner types the "Owner" box offers, in its order.
    static constexpr std::array<int, 4> kOwners{3, 5, 6, 7};

    TStringFrm* MapName;
    TStringFrm* MapDescrip;
    QCheckBox* BroodWar;
    std::array<QComboBox*, 8> color{}, race{}, side{};
    QComboBox* Tileset;
    QSpinBox* width;
    QSpinBox* height;
    QListWidget* Terrain;

    void widthChange();
    void heightChange();
    void TilesetChange();
    void colorChange(int player);
    void raceChange(int player);
    void sideChange(int player);

private:
    void ShowPlayer(int player);
    void FillTerrain();
    bool Refused(const std::string& message);

    TSettingsStore& m_store;
    Prompter& m_ask;
    bool m_loading = false;
    bool m_refused = false;
};

} // namespace orv
