#pragma once

// What the unit, upgrade and technology settings pages share: a tree of items, a tab strip
// choosing the sections edited (mode 0 the original game's, 1 the expansion's, 2 both), and a
// use-defaults box. The values shown belong to the selected item; they are handed to the
// store when the selection leaves the item, when the tab changes (stored in the mode being
// left), and when the window closes (StoreCurrent). A store the settings store refuses shows
// its message and keeps the selection and the tab where they were.

#include <QWidget>

#include "base/Result.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

class QCheckBox;
class QLayout;
class QLineEdit;
class QTabBar;
class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace orv {

class Prompter;
class TGameData;
class TSettingsStore;

class TSettingsPage : public QWidget {
public:
    // Stores the selected item's values as leaving it does; false when the store refused
    // them (the user was told why).
    bool StoreCurrent();
    // The mode edited and the selected item (-1: none).
    int Mode() const { return m_mode; }
    int CurrentItem() const { return m_item; }

protected:
    TSettingsPage(TSettingsStore& store, const TGameData& gameData, Prompter& ask, QWidget* parent);

    // The derived page made its controls: hook up the tree, the tabs and the box. `body`
    // holds the inputs, disabled while no item is selected.
    void Attach(QTreeWidget* tree, QTabBar* tabs, QCheckBox* useDefault, QWidget* body);

    virtual bool ExpansionOnly(int item) const = 0;
    // Shows the item's values in the current mode, the use-defaults box included.
    virtual void Show(int item) = 0;
    // Stores the shown values as custom ones; an error names the field refused.
    virtual Status Store(int item, int mode) = 0;
    // Stores the item's use-defaults flag and what the flag does not cover (the players'
    // settings); an error names the field refused.
    virtual Status StoreDefault(int item, int mode) = 0;

    // The item tree at the page's left, added to `row`.
    static QTreeWidget* AddTree(QWidget* parent, QLayout* row, const char* name);
    // The tab strip "Starcraft (Retail)", "Brood War", "Both" and the use-defaults box (ticked),
    // added to `column`.
    static QTabBar* AddModeTabs(QWidget* parent, QLayout* column);
    static QCheckBox* AddUseDefault(QWidget* parent, QLayout* column, const char* name, const char* text);
    // A field's text as a whole number; the error names the field.
    static Result<std::uint32_t> Read(const QString& text, const std::string& field);
    static Result<std::uint32_t> Read(const QLineEdit* edit, const std::string& field);
    // The game's text `number` (1-based) as shown.
    QString StatText(int number) const;

    TSettingsStore& m_store;
    const TGameData& m_data;
    Prompter& m_ask;
    int m_mode = 0;
    int m_item = -1;

private:
    bool Leave();
    // Shows why a store was refused; false then.
    bool Told(const Status& stored);
    void Select(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void ChangeTab(int index);
    void SetTabs(bool expansionOnly);

    QTreeWidget* m_tree = nullptr;
    QTabBar* m_tabs = nullptr;
    QCheckBox* m_useDefault = nullptr;
    QWidget* m_body = nullptr;
    bool m_collapsing = false;
};

// A player table of 12 rows "Player 1" to "Player 12" under the column titles "Player" and
// `valueTitle`, each value `initial`; the values are changed by double clicks, not typed.
QTableWidget* MakePlayerList(QWidget* parent, const char* name, const char* valueTitle, const char* initial);
// The next value of `text` in `order` (a value not in it stays).
QString NextInCycle(const QString& text, std::initializer_list<const char*> order);

// Fills a tree of the four race nodes "Zerg", "Terran", "Protoss" and "All" from a rule
// table: item i (0 to count - 1) whose label (u16 at labelAt + 2i) is not 0 goes under the
// node of its race byte (at raceAt + i), carrying i.
void FillRaceTree(QTreeWidget* tree, const std::vector<std::uint8_t>& table, int count, int labelAt,
                  int raceAt, const std::vector<std::string>& statTxt);

} // namespace orv
