#include "settings/PlayerSettings.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "settings/ForcesFRAME.h"
#include "settings/ScenarioSettingsFrame.h"
#include "settings/SettingsStore.h"
#include "settings/StringEditFRAME.h"
#include "settings/TechSettingsFrame.h"
#include "settings/UnitSetFrame.h"
#include "settings/UpgradeSettingsFRAME.h"
#include "settings/wavetableframe.h"

#include <functional>
#include <utility>

namespace orv {

TplayersettingsFRM::TplayersettingsFRM(TSettingsStore& store, const TGameData& gameData, Prompter& ask,
                                       const std::string& fileName, QWidget* parent)
    : QDialog(parent) {
    setObjectName("playersettingsFRM");
    setWindowTitle(QString::fromStdString("Scenario settings [" + fileName + "]"));
    auto* column = new QVBoxLayout(this);
    SettingsTabs = new QTabWidget(this);
    SettingsTabs->setObjectName("SettingsTabs");
    column->addWidget(SettingsTabs);
    ScenarioSettings = new TScenarioSetFRAME(store, ask, SettingsTabs);
    ForceSettings = new TPlayerForcesFrame(store, ask, SettingsTabs);
    UnitSettings = new TUnitSettingsFrame(store, gameData, ask, SettingsTabs);
    UpgradeSettings = new TUpgradeSetFrame(store, gameData, ask, SettingsTabs);
    TechSetframe = new TTechSetFRAME(store, gameData, ask, SettingsTabs);
    StringEditor = new TStringEditorFrame(store, SettingsTabs);
    waveeditor = new TWavTable(store, ask, SettingsTabs);
    SettingsTabs->addTab(ScenarioSettings, "Scenario");
    SettingsTabs->addTab(ForceSettings, "Forces");
    SettingsTabs->addTab(UnitSettings, "Units");
    SettingsTabs->addTab(UpgradeSettings, "upgrades");
    SettingsTabs->addTab(TechSetframe, "Technologies");
    SettingsTabs->addTab(StringEditor, "Strings");
    SettingsTabs->addTab(waveeditor, "Wavs");
    SettingsTabs->setCurrentIndex(0);
    connect(SettingsTabs, &QTabWidget::currentChanged, this, [this](int index) { m_currentTab = index; });

    // The settings are in the map as they are changed: there is nothing to cancel.
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    column->addWidget(buttons);
    resize(760, 620);
}

TplayersettingsFRM::~TplayersettingsFRM() = default;

bool TplayersettingsFRM::StorePages() {
    const std::pair<QWidget*, std::function<bool()>> pages[] = {
        {ScenarioSettings, [this] { return ScenarioSettings->StoreCurrent(); }},
        {ForceSettings, [this] { return ForceSettings->StoreCurrent(); }},
        {UnitSettings, [this] { return UnitSettings->StoreCurrent(); }},
        {UpgradeSettings, [this] { return UpgradeSettings->StoreCurrent(); }},
        {TechSetframe, [this] { return TechSetframe->StoreCurrent(); }},
        {StringEditor, [this] { return StringEditor->StoreCurrent(); }},
    };
    for (const auto& [page, store] : pages) {
        if (!store()) {
            SettingsTabs->setCurrentWidget(page);
            return false;
        }
    }
    return true;
}

void TplayersettingsFRM::done(int result) {
    if (!StorePages()) {
        return;
    }
    m_closed = true;
    QDialog::done(result);
}

} // namespace orv
