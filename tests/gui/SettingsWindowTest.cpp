// The scenario settings window through its widgets: on a map of our own (the window and its
// store alone), and opened from the menu on a real map whose changes are saved and read back.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "EditorFixture.h"
#include "archive/MapArchiveReader.h"
#include "settings/BaseFactorFrame.h"
#include "settings/ForcesFRAME.h"
#include "settings/PlayerSettings.h"
#include "settings/ScenarioSettingsFrame.h"
#include "settings/SettingsStore.h"
#include "settings/StringEditFRAME.h"
#include "settings/TechSettingsFrame.h"
#include "settings/UnitSetFrame.h"
#include "settings/UpgradeSettingsFRAME.h"
#include "settings/stringframe.h"
#include "settings/wavetableframe.h"
#include "support/GameView.h"
#include "support/StandinData.h"

#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <set>

namespace orv::test {
namespace {

// A new jungle map (as `prepare` leaves it) in the settings window, on the stand-in data.
struct SettingsWindow {
    RecordingPrompter prompter;
    TCHK chk{prompter, &StandinGameData().UnitsDat};
    TMapText text;
    std::optional<TSettingsStore> store;
    std::optional<TplayersettingsFRM> form;

    explicit SettingsWindow(const std::function<void(TCHK&)>& prepare = {}) {
        chk.NewMap(2, 4, 64, 64, &StandinGameData().Tileset(4));
        if (prepare) {
            prepare(chk);
        }
        text = TMapText(chk);
        store.emplace(chk, text, prompter, TSettingsTables::From(StandinGameData()));
        form.emplace(*store, StandinGameData(), prompter, "ours.scx");
        form->show();
        QApplication::processEvents();
    }
    // Closes the window as Escape does; the history step it leaves.
    std::string Close(TEditHistory& history) {
        form->reject();
        EXPECT_TRUE(form->Closed());
        store->Finish(history, [](int n) { return &StandinGameData().Tileset(n); });
        return history.UndoName();
    }
};

std::vector<std::string> Texts(const QListWidget& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.count(); ++i) {
        out.push_back(list.item(i)->text().toStdString());
    }
    return out;
}

TEST(SettingsWindow, SevenTabsOnePageShownAndAnUntouchedCloseLeavesNoStep) {
    SettingsWindow w;
    QTabWidget& tabs = *w.form->SettingsTabs;
    std::vector<std::string> names;
    for (int i = 0; i < tabs.count(); ++i) {
        names.push_back(tabs.tabText(i).toStdString());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Scenario", "Forces", "Units", "upgrades", "Technologies",
                                               "Strings", "Wavs"}));
    EXPECT_EQ(w.form->windowTitle().toStdString(), "Scenario settings [ours.scx]");
    EXPECT_TRUE(w.form->ScenarioSettings->isVisible());
    tabs.setCurrentIndex(6);
    EXPECT_TRUE(w.form->waveeditor->isVisible());
    EXPECT_FALSE(w.form->ScenarioSettings->isVisible());
    tabs.setCurrentIndex(0);
    EXPECT_FALSE(w.form->waveeditor->isVisible());
    EXPECT_EQ(w.form->CurrentTab(), 0);

    const auto before = w.chk.Snapshot().value();
    TEditHistory history;
    EXPECT_EQ(w.Close(history), "");
    EXPECT_EQ(w.chk.Snapshot().value(), before);
    EXPECT_TRUE(w.prompter.messages.empty());
}

TEST(SettingsWindow, OwnersOutsideTheBoxShowAsComputerAndStayUntilChanged) {
    SettingsWindow w([](TCHK& chk) {
        chk.OwnerTypes[2] = 0;
        chk.OwnerTypes[3] = 6;
    });
    TScenarioSetFRAME& page = *w.form->ScenarioSettings;
    EXPECT_EQ(page.side[2]->currentText().toStdString(), "Computer");
    EXPECT_EQ(page.side[3]->currentText().toStdString(), "Human");
    page.side[3]->setCurrentIndex(0); // "Rescuable"
    page.race[2]->setCurrentIndex(2);
    TEditHistory history;
    EXPECT_EQ(w.Close(history), "Scenario Settings");
    EXPECT_EQ(w.chk.OwnerTypes[2], 0);
    EXPECT_EQ(w.chk.OwnerTypes[3], 3);
    EXPECT_EQ(w.chk.Races[2], 2);
}

TEST(SettingsWindow, ForcesListPlayersInOrderAlliedVictoryFollowsAlliedAndDropsNeedASelection) {
    SettingsWindow w([](TCHK& chk) {
        chk.PlayerForces.fill(0);
        chk.ForceFlags[0] = 0x06; // allied, allied victory
    });
    TPlayerForcesFrame& page = *w.form->ForceSettings;
    EXPECT_EQ(Texts(*page.ForceLB[0]),
              (std::vector<std::string>{"Player 1", "Player 2", "Player 3", "Player 4", "Player 5",
                                        "Player 6", "Player 7", "Player 8"}));
    EXPECT_EQ(page.ForceLB[1]->count(), 0);

    EXPECT_TRUE(page.AlliedVict[0]->isEnabled());
    page.Allied[0]->click();
    EXPECT_FALSE(page.AlliedVict[0]->isEnabled());
    EXPECT_TRUE(page.AlliedVict[0]->isChecked());

    page.ForceLB[0]->clearSelection();
    page.Force2LBDragDrop(page.ForceLB[0], page.ForceLB[1]);
    EXPECT_EQ(page.ForceLB[0]->count(), 8);
    EXPECT_EQ(page.ForceLB[1]->count(), 0);

    page.ForceLB[0]->setCurrentRow(2);
    page.Force2LBDragDrop(page.ForceLB[0], page.ForceLB[1]);
    EXPECT_EQ(Texts(*page.ForceLB[1]), std::vector<std::string>{"Player 3"});
    page.Force[1]->setText("Second");
    EXPECT_EQ(page.ForceGB[1]->title().toStdString(), "Force 2 [Second]");
    TEditHistory history;
    EXPECT_EQ(w.Close(history), "Scenario Settings");
    EXPECT_EQ(w.chk.PlayerForces[2], 1);
    EXPECT_EQ(w.chk.ForceFlags[0], 0x04); // the mark stays, the alliance goes
    EXPECT_EQ(w.chk.Strings.Text(w.chk.ForceNames[1]), "Second");
}

TEST(SettingsWindow, AWavFromDiskTakesTheFirstFreeSlotAndIsQueued) {
    SettingsWindow w([](TCHK& chk) {
        chk.Wavs[0] = static_cast<std::uint32_t>(chk.AddString("sound\\a.wav") + 1);
        chk.Wavs[2] = static_cast<std::uint32_t>(chk.AddString("sound\\c.wav") + 1);
    });
    TWavTable& page = *w.form->waveeditor;
    EXPECT_EQ(page.Wavs->count(), 2);
    page.wavfilename->setText("C:\\sounds\\boom.wav");
    page.Add->click();
    EXPECT_EQ(w.chk.Strings.Text(w.chk.Wavs[1]), "staredit\\wav\\boom.wav");
    EXPECT_EQ(Texts(*page.Wavs),
              (std::vector<std::string>{"000 : sound\\a.wav", "001 : staredit\\wav\\boom.wav",
                                        "002 : sound\\c.wav"}));
    EXPECT_EQ(w.store->QueuedNames(), std::vector<std::string>{"staredit\\wav\\boom.wav"});
    EXPECT_EQ(w.store->QueuedSources(), std::vector<std::string>{"C:\\sounds\\boom.wav"});
    EXPECT_TRUE(page.wavfilename->text().isEmpty());

    page.StarcraftWav->click();
    EXPECT_TRUE(page.MPQpath->isHidden());
    EXPECT_TRUE(page.MPQpathLabel->isHidden());
}

TEST(SettingsWindow, ALeftStringLineKeepsItsEditAndClosingWritesIt) {
    std::array<int, 5> lines{};
    SettingsWindow w([&lines](TCHK& chk) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            lines[i] = chk.AddString(std::array{"one", "two", "three", "four", "five"}[i]);
        }
    });
    TStringEditorFrame& page = *w.form->StringEditor;
    page.CHKStrings->itemClicked(page.CHKStrings->item(lines[2]));
    EXPECT_EQ(page.StringFrame->Text(), "three");
    page.StringFrame->StringDisplay->setPlainText("<1>edited");
    page.CHKStrings->itemClicked(page.CHKStrings->item(lines[4]));
    EXPECT_EQ(page.LineText(lines[2]), "<1>edited");
    EXPECT_EQ(page.StringFrame->Text(), "five");
    TEditHistory history;
    EXPECT_EQ(w.Close(history), "Scenario Settings");
    EXPECT_EQ(w.chk.Strings.Text(static_cast<std::size_t>(lines[2] + 1)), "\x01"
                                                                          "edited");
    EXPECT_EQ(w.chk.Strings.Text(static_cast<std::size_t>(lines[4] + 1)), "five");
}

// A short, valid PCM sound.
void WriteWav(const std::string& path) {
    std::vector<std::uint8_t> wav{'R', 'I', 'F', 'F', 44, 0, 0,   0,   'W', 'A',  'V',  'E', 'f', 'm',  't',
                                  ' ', 16,  0,   0,   0,  1, 0,   1,   0,   0x40, 0x1F, 0,   0,   0x40, 0x1F,
                                  0,   0,   1,   0,   8,  0, 'd', 'a', 't', 'a',  8,    0,   0,   0};
    for (int i = 0; i < 8; ++i) {
        wav.push_back(static_cast<std::uint8_t>(128 + i * 8));
    }
    WriteBytes(path, wav);
}

TEST(SettingsWindow, ChangesMadeFromTheMenuOnARealMapAreOneStepAndSurviveSaving) {
    ORV_REQUIRE_CORPUS();
    std::filesystem::path map;
    for (const auto& path : CorpusArchives()) {
        if (path.extension() == ".scx") {
            map = path;
            break;
        }
    }
    if (map.empty()) {
        GTEST_SKIP() << "no .scx map in the real-map corpus";
    }
    Editor e;
    e.Open({map.string()});
    TMapWindow* w = e.Active();
    ASSERT_NE(w, nullptr) << (e.prompter.messages.empty() ? "" : e.prompter.messages[0]);
    TCHK& chk = w->Scenario();
    const auto before = chk.Snapshot().value();
    const int colour = (chk.Colours[0] + 1) % 12;
    CStarcraftTileset* const tileset = w->Document().Tileset;
    const int otherTileset = (chk.Tileset() + 1) % 8;
    const int height = chk.Height, taller = std::min(256, chk.Height + 16);
    const std::string sound = e.dir.file("boom.wav");
    WriteWav(sound);
    // A string the name, description and forces do not use.
    std::size_t line = 0;
    while (line < chk.Strings.Entries.size() &&
           (chk.Strings.Entries[line].empty() || line + 1 == chk.ScenarioName ||
            line + 1 == chk.ScenarioDescription ||
            std::find(chk.ForceNames.begin(), chk.ForceNames.end(), line + 1) != chk.ForceNames.end())) {
        ++line;
    }
    ASSERT_LT(line, chk.Strings.Entries.size());

    // The first item of a tree whose number is `number` (any item: -1), in the expansion's tab
    // with its own values: what the game reads from a Brood War map.
    auto pick = [](QTreeWidget* tree, QTabBar* tabs, QCheckBox* useDefault, int number) {
        tabs->setCurrentIndex(1);
        for (QTreeWidgetItemIterator it(tree); *it; ++it) {
            if ((*it)->childCount() == 0 && (number < 0 || (*it)->data(0, Qt::UserRole).toInt() == number)) {
                tree->setCurrentItem(*it);
                break;
            }
        }
        if (useDefault->isChecked()) {
            useDefault->click();
        }
        return tree->currentItem()->data(0, Qt::UserRole).toInt();
    };
    int upgrade = -1, tech = -1;
    w->OnSettingsForm = [&](TplayersettingsFRM& form) {
        TUnitSettingsFrame& units = *form.UnitSettings;
        pick(units.UnitSelect, units.CurModeTab, units.DefaultCB, 0);
        units.Hitpoints->setText("77");
        TUpgradeSetFrame& upgrades = *form.UpgradeSettings;
        upgrade = pick(upgrades.UpgradeTree, upgrades.CurModeTab, upgrades.defaultCB, -1);
        upgrades.MineralFRM->basecost->setText("123");
        TTechSetFRAME& techs = *form.TechSetframe;
        tech = pick(techs.TechTree, techs.CurModeTab, techs.defaultCB, -1);
        techs.minerals->setText("45");
        form.ScenarioSettings->color[0]->setCurrentIndex(colour);
        form.ScenarioSettings->Tileset->setCurrentIndex(otherTileset);
        form.ScenarioSettings->height->setValue(taller);
        form.ScenarioSettings->MapName->StringDisplay->setPlainText("Our name");
        form.ForceSettings->Force[0]->setText("Our force");
        TStringEditorFrame& strings = *form.StringEditor;
        strings.CHKStrings->itemClicked(strings.CHKStrings->item(static_cast<int>(line)));
        strings.StringFrame->StringDisplay->setPlainText("Our string");
        form.waveeditor->wavfilename->setText(QString::fromStdString(sound));
        form.waveeditor->Add->click();
        form.accept();
    };
    e.prompter.messages.clear();
    e.Trigger({"&Misc Tools", "Properties"});
    EXPECT_TRUE(e.prompter.messages.empty()) << e.prompter.messages.front();
    EXPECT_EQ(w->History().UndoName(), "Scenario Settings");
    // The view follows the tileset and the size, also through undo.
    EXPECT_EQ(&w->View().Tileset(), &w->GameData().Tileset(otherTileset));
    EXPECT_EQ(w->Document().Tileset, &w->View().Tileset());
    EXPECT_EQ(w->View().Viewport.MapHeight, taller);
    EXPECT_EQ(w->VertScroll->maximum(), w->View().Viewport.VertScroll.Reach());
    w->Undo();
    EXPECT_EQ(chk.Snapshot().value(), before);
    EXPECT_EQ(&w->View().Tileset(), tileset);
    EXPECT_EQ(w->View().Viewport.MapHeight, height);
    w->Redo();

    const std::string saved = e.dir.file("saved.scx");
    e.prompter.saveAnswers.push_back(saved);
    ASSERT_TRUE(w->Save(true));
    const auto archive = MapArchiveReader::Open(saved);
    ASSERT_TRUE(archive);
    EXPECT_TRUE(archive.value().ReadFile("staredit\\wav\\boom.wav"));
    Editor again;
    again.Open({saved});
    ASSERT_NE(again.Active(), nullptr);
    const TCHK& back = again.Active()->Scenario();
    EXPECT_EQ(back.Colours[0], colour);
    EXPECT_EQ(back.Tileset(), otherTileset);
    EXPECT_EQ(back.Height, taller);
    EXPECT_EQ(back.Strings.Text(back.ScenarioName), "Our name");
    EXPECT_EQ(back.Strings.Text(back.ForceNames[0]), "Our force");
    EXPECT_EQ(back.Strings.Entries[line], "Our string");
    EXPECT_NE(
        std::find_if(back.Wavs.begin(), back.Wavs.end(),
                     [&](std::uint32_t s) { return back.Strings.Text(s) == "staredit\\wav\\boom.wav"; }),
        back.Wavs.end());
    EXPECT_EQ(back.Unix[228 + 1] | back.Unix[228 + 2] << 8, 77) << "the marine's hit points, in 256ths";
    ASSERT_GE(upgrade, 0);
    EXPECT_EQ(back.Upgx[62 + 2 * static_cast<std::size_t>(upgrade)], 123) << "the upgrade's mineral base";
    ASSERT_GE(tech, 0);
    EXPECT_EQ(back.Tecx[44 + 2 * static_cast<std::size_t>(tech)], 45) << "the technology's minerals";

    // Nothing else the game reads changed.
    auto scenario = [](const std::string& path) {
        return MapArchiveReader::Open(path).value().ReadFile("staredit\\scenario.chk").value();
    };
    const std::set<std::string> changed{"COLR", "ERA ", "DIM ", "MTXM", "MASK", "MRGN", "WAV ",
                                        "UNIx", "UPGx", "TECx", "PUNI", "PUPx", "PTEx"};
    for (const std::string& difference :
         GameViewDifferences(ReadAsTheGame(scenario(map.string())), ReadAsTheGame(scenario(saved)))) {
        EXPECT_TRUE(changed.count(difference.substr(0, 4)) != 0 || difference.starts_with("STR#"))
            << difference;
    }
}

} // namespace
} // namespace orv::test
