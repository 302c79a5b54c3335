// The unit, upgrade and technology settings pages through their widgets, on a map our writer
// wrote: what they show comes from the record and what is typed, ticked and double-clicked
// ends up in the record's bytes.

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "scenario/CCHKFile.h"
#include "scenario/MapText.h"
#include "settings/BaseFactorFrame.h"
#include "settings/SettingsStore.h"
#include "settings/TechSettingsFrame.h"
#include "settings/UnitSetFrame.h"
#include "settings/UpgradeSettingsFRAME.h"
#include "support/OurMaps.h"
#include "support/RecordingPrompter.h"
#include "support/StandinData.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

namespace orv {
namespace {

template <std::size_t N> std::uint32_t U16(const std::array<std::uint8_t, N>& a, std::size_t at) {
    return a[at] | a[at + 1] << 8;
}
template <std::size_t N> std::uint32_t U32(const std::array<std::uint8_t, N>& a, std::size_t at) {
    return U16(a, at) | U16(a, at + 2) << 16;
}
template <std::size_t N> void Put32(std::array<std::uint8_t, N>& a, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        a[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// The leaf node carrying `number`, or null.
QTreeWidgetItem* Node(QTreeWidget* tree, int number) {
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if ((*it)->childCount() == 0 && (*it)->data(0, Qt::UserRole) == number) {
            return *it;
        }
    }
    return nullptr;
}

void DoubleClick(QTableWidget* table, int row, int column) {
    QTableWidgetItem* cell = table->item(row, column);
    table->scrollToItem(cell);
    const QPoint at = table->visualItemRect(cell).center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, QPointF(at), table->viewport()->mapToGlobal(QPointF(at)), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(table->viewport(), &event);
    }
}

QStringList Tabs(const QTabBar* tabs) {
    QStringList out;
    for (int i = 0; i < tabs->count(); ++i) {
        out << tabs->tabText(i);
    }
    return out;
}

class SettingsPages : public testing::Test {
protected:
    void SetUp() override {
        const std::string path = dir.file("pages.scx");
        test::WriteOurMap(path, 32);
        ASSERT_TRUE(chk.LoadFromFile(path).ok());
        // The original game's sections too, so that the bytes set below stay as set.
        for (const char* section : {"UNIS", "UPGS", "UPGR", "TECS", "PTEC", "PUNI"}) {
            chk.CreateSection(section);
        }
        text = std::make_unique<TMapText>(chk);
        store = std::make_unique<TSettingsStore>(chk, *text, ask, TSettingsTables::From(data));
    }
    template <typename Page> void Show(Page& page) {
        page.resize(1000, 900);
        page.show();
        QApplication::processEvents();
    }
    // The first unit type listed whose expansion-only flag is `expansion`.
    int ListedUnit(TUnitSettingsFrame& page, bool expansion, int after = -1) const {
        for (int u = after + 1; u < kSettingsUnitCount; ++u) {
            if (store->ExpansionOnlyUnit(u) == expansion && Node(page.UnitSelect, u)) {
                return u;
            }
        }
        ADD_FAILURE() << "no such unit listed";
        return 0;
    }

    test::RecordingPrompter ask;
    test::TempDir dir;
    TGameData& data = test::StandinGameData();
    TCHK chk{ask, &data.UnitsDat};
    std::unique_ptr<TMapText> text;
    std::unique_ptr<TSettingsStore> store;
};

TEST_F(SettingsPages, UnitPageShowsAndStoresTheSelectedMode) {
    TUnitSettingsFrame page(*store, data, ask);
    Show(page);
    EXPECT_FALSE(page.Hitpoints->isEnabled()); // nothing selected yet
    const int base = ListedUnit(page, false), other = ListedUnit(page, false, base);
    const int expansion = ListedUnit(page, true);

    // Custom hit points go into the original game's section in 256ths; a player row turned to
    // "Default" follows the global setting and keeps its own value.
    const std::size_t p3 = 2 * 228 + static_cast<std::size_t>(base);
    chk.Puni[p3] = 0;        // player 3 may not build it...
    chk.Puni[2964 + p3] = 0; // ...by their own setting
    page.UnitSelect->setCurrentItem(Node(page.UnitSelect, base));
    EXPECT_EQ(page.DefaultCB->text(), "Use Default [" + page.UnitSelect->currentItem()->text(0) + "]");
    ASSERT_TRUE(page.DefaultCB->isChecked());
    page.DefaultCB->click();
    ASSERT_TRUE(page.Hitpoints->isEnabled());
    page.Hitpoints->setText("40");
    EXPECT_EQ(page.PlayerSettings->item(2, 1)->text(), "No");
    DoubleClick(page.PlayerSettings, 2, 1);
    EXPECT_EQ(page.PlayerSettings->item(2, 1)->text(), "Default");
    page.UnitSelect->setCurrentItem(Node(page.UnitSelect, other));
    EXPECT_EQ(chk.Unis[static_cast<std::size_t>(base)], 0);
    EXPECT_EQ(U32(chk.Unis, 228 + 4 * static_cast<std::size_t>(base)), 10240u);
    EXPECT_EQ(chk.Puni[2964 + p3], 1);
    EXPECT_EQ(chk.Puni[p3], 0);

    // Shown again in whole points, rounded down.
    Put32(chk.Unis, 228 + 4 * static_cast<std::size_t>(base), 300);
    page.UnitSelect->setCurrentItem(Node(page.UnitSelect, base));
    EXPECT_FALSE(page.DefaultCB->isChecked());
    EXPECT_EQ(page.Hitpoints->text(), "1");

    // An expansion-only unit is edited in the expansion's section alone; the next unit gets
    // the three tabs back.
    page.UnitSelect->setCurrentItem(Node(page.UnitSelect, expansion));
    EXPECT_EQ(Tabs(page.CurModeTab), QStringList{"Brood War"});
    EXPECT_EQ(page.Mode(), 1);
    // A player row is kept also for a unit that keeps the game's statistics.
    ASSERT_TRUE(page.DefaultCB->isChecked());
    DoubleClick(page.PlayerSettings, 4, 1); // "Default" -> "Yes"
    page.UnitSelect->setCurrentItem(Node(page.UnitSelect, other));
    EXPECT_EQ(chk.Puni[2964 + 4 * 228 + static_cast<std::size_t>(expansion)], 0);
    EXPECT_EQ(chk.Puni[4 * 228 + static_cast<std::size_t>(expansion)], 1);
    EXPECT_EQ(chk.Unix[static_cast<std::size_t>(expansion)], 1);
    EXPECT_EQ(Tabs(page.CurModeTab), (QStringList{"Starcraft", "Brood War", "Both"}));

    // Changing the tab keeps the defaults shown as the unit's own values in the mode left.
    ASSERT_EQ(page.Mode(), 1);
    ASSERT_TRUE(page.DefaultCB->isChecked());
    const std::uint32_t shown = page.Hitpoints->text().toUInt();
    EXPECT_GT(shown, 0u);
    page.CurModeTab->setCurrentIndex(0);
    EXPECT_EQ(page.Mode(), 0);
    EXPECT_EQ(chk.Unix[static_cast<std::size_t>(other)], 0);
    EXPECT_EQ(U32(chk.Unix, 228 + 4 * static_cast<std::size_t>(other)), shown * 256);
    EXPECT_TRUE(ask.messages.empty());
}

TEST_F(SettingsPages, ARefusedValueKeepsTheUnitAndTheTab) {
    TUnitSettingsFrame page(*store, data, ask);
    Show(page);
    const int unit = ListedUnit(page, false);
    QTreeWidgetItem* node = Node(page.UnitSelect, unit);
    page.UnitSelect->setCurrentItem(node);
    if (page.DefaultCB->isChecked()) {
        page.DefaultCB->click();
    }
    const auto before = chk.Unis;
    page.Shields->setText("lots");
    page.UnitSelect->setCurrentItem(Node(page.UnitSelect, ListedUnit(page, false, unit)));
    ASSERT_EQ(ask.messages.size(), 1u);
    EXPECT_NE(ask.messages[0].find("Shields"), std::string::npos) << ask.messages[0];
    EXPECT_EQ(page.UnitSelect->currentItem(), node);
    EXPECT_EQ(page.CurrentItem(), unit);
    page.CurModeTab->setCurrentIndex(2);
    EXPECT_EQ(ask.messages.size(), 2u);
    EXPECT_EQ(page.CurModeTab->currentIndex(), 0);
    EXPECT_FALSE(page.StoreCurrent());
    EXPECT_EQ(chk.Unis, before);
    page.Shields->setText("7");
    EXPECT_TRUE(page.StoreCurrent());
    EXPECT_EQ(U16(chk.Unis, 1140 + 2 * static_cast<std::size_t>(unit)), 7u);
}

TEST_F(SettingsPages, TechPageStoresResearchedSettings) {
    // A technology without a label is not listed.
    std::vector<std::uint8_t>& techdata = data.TechdataDat;
    const std::uint8_t label[2] = {techdata[616 + 2 * 5], techdata[616 + 2 * 5 + 1]};
    techdata[616 + 2 * 5] = techdata[616 + 2 * 5 + 1] = 0;
    TTechSetFRAME page(*store, data, ask);
    techdata[616 + 2 * 5] = label[0];
    techdata[616 + 2 * 5 + 1] = label[1];
    Show(page);
    EXPECT_EQ(Node(page.TechTree, 5), nullptr);
    ASSERT_NE(Node(page.TechTree, 4), nullptr);
    EXPECT_EQ(page.TechTree->topLevelItemCount(), 4);

    const int tech = 3;
    page.TechTree->setCurrentItem(Node(page.TechTree, tech));
    ASSERT_EQ(page.Mode(), 0);
    if (page.defaultCB->isChecked()) {
        page.defaultCB->click();
    }
    page.ResearchedRadio->click();
    QTableWidgetItem* player2 = page.PlayerSettings->item(1, 1);
    for (int i = 0; i < 4 && player2->text() != "Researched"; ++i) {
        DoubleClick(page.PlayerSettings, 1, 1);
    }
    ASSERT_EQ(player2->text(), "Researched");
    page.TechTree->setCurrentItem(Node(page.TechTree, 4));
    const std::size_t t = tech;
    EXPECT_EQ(chk.Tecs[t], 0);
    EXPECT_EQ(chk.Ptec[576 + t], 0); // global available
    EXPECT_EQ(chk.Ptec[600 + t], 1); // global researched
    EXPECT_EQ(chk.Ptec[24 + t], 0);  // player 2 available
    EXPECT_EQ(chk.Ptec[288 + 24 + t], 1);
    EXPECT_EQ(chk.Ptec[624 + 24 + t], 0); // player 2 has its own setting

    page.TechTree->setCurrentItem(Node(page.TechTree, tech));
    EXPECT_TRUE(page.ResearchedRadio->isChecked());
    EXPECT_EQ(player2->text(), "Researched");
}

TEST_F(SettingsPages, UpgradePageZeroesEveryUpgradeTime) {
    TUpgradeSetFrame page(*store, data, ask);
    Show(page);
    // The stand-in's last six upgrades have no label.
    EXPECT_NE(Node(page.UpgradeTree, 54), nullptr);
    EXPECT_EQ(Node(page.UpgradeTree, 55), nullptr);

    std::fill(chk.Upgs.begin() + 414, chk.Upgs.end(), 9);
    std::fill(chk.Upgx.begin() + 550, chk.Upgx.end(), 9);
    const auto upgs = chk.Upgs;
    const auto upgx = chk.Upgx;
    page.UpgradeTree->setCurrentItem(Node(page.UpgradeTree, 2));
    page.Button2->click();
    EXPECT_EQ(page.TimeFRM->basecost->text(), "0");
    EXPECT_TRUE(std::all_of(chk.Upgs.begin() + 414, chk.Upgs.end(), [](std::uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::all_of(chk.Upgx.begin() + 550, chk.Upgx.end(), [](std::uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::equal(upgs.begin(), upgs.begin() + 414, chk.Upgs.begin()));
    EXPECT_TRUE(std::equal(upgx.begin(), upgx.begin() + 550, chk.Upgx.begin()));
}

} // namespace
} // namespace orv
