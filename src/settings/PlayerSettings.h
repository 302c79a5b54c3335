#pragma once

// The scenario settings window: a tab strip over the seven settings pages, one shown at a
// time. However it is closed (OK, the title bar, Escape) the pages first store what they
// show; a value refused keeps the window open on its page.

#include <QDialog>

#include <string>

class QTabWidget;

namespace orv {

class Prompter;
class TGameData;
class TSettingsStore;
class TScenarioSetFRAME;
class TPlayerForcesFrame;
class TStringEditorFrame;
class TWavTable;

class TUnitSettingsFrame;
class TUpgradeSetFrame;
class TTechSetFRAME;

class TplayersettingsFRM : public QDialog {
public:
    // `fileName`: the map's file name, for the caption.
    TplayersettingsFRM(TSettingsStore& store, const TGameData& gameData, Prompter& ask,
                       const std::string& fileName, QWidget* parent = nullptr);
    ~TplayersettingsFRM() override;

    QTabWidget* SettingsTabs;
    TScenarioSetFRAME* ScenarioSettings;
    TPlayerForcesFrame* ForceSettings;
    TUnitSettingsFrame* UnitSettings;
    TUpgradeSetFrame* UpgradeSettings;
    TTechSetFRAME* TechSetframe;
    TStringEditorFrame* StringEditor;
    TWavTable* waveeditor;

    int CurrentTab() const { return m_currentTab; }
    // The pages store what they show; false when one refused a value (its tab is selected).
    bool StorePages();
    // True once the window closed (the pages stored everything).
    bool Closed() const { return m_closed; }

    void done(int result) override;

private:
    int m_currentTab = 0;
    bool m_closed = false;
};

} // namespace orv
