#include "settings/SettingsPage.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLayout>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTableWidget>
#include <QTreeWidget>

#include "app/GameData.h"
#include "base/Prompter.h"
#include "scenario/ScenarioText.h"
#include "settings/SettingsStore.h"

#include <limits>

namespace orv {

TSettingsPage::TSettingsPage(TSettingsStore& store, const TGameData& gameData, Prompter& ask, QWidget* parent)
    : QWidget(parent), m_store(store), m_data(gameData), m_ask(ask) {}

void TSettingsPage::Attach(QTreeWidget* tree, QTabBar* tabs, QCheckBox* useDefault, QWidget* body) {
    m_tree = tree;
    m_tabs = tabs;
    m_useDefault = useDefault;
    m_body = body;
    m_tree->setCurrentItem(nullptr);
    m_body->setEnabled(false);
    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem* previous) { Select(current, previous); });
    // Opening a node closes every other one.
    connect(m_tree, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (m_collapsing) {
            return;
        }
        m_collapsing = true;
        m_tree->collapseAll();
        for (QTreeWidgetItem* node = item; node; node = node->parent()) {
            node->setExpanded(true);
        }
        m_collapsing = false;
    });
    connect(m_tabs, &QTabBar::currentChanged, this, [this](int index) { ChangeTab(index); });
}

bool TSettingsPage::StoreCurrent() {
    return Leave();
}

QTreeWidget* TSettingsPage::AddTree(QWidget* parent, QLayout* row, const char* name) {
    auto* tree = new QTreeWidget(parent);
    tree->setObjectName(name);
    tree->setHeaderHidden(true);
    tree->setFixedWidth(249);
    row->addWidget(tree);
    return tree;
}

QTabBar* TSettingsPage::AddModeTabs(QWidget* parent, QLayout* column) {
    auto* tabs = new QTabBar(parent);
    tabs->setObjectName("CurModeTab");
    for (const char* text : {"Starcraft (Retail)", "Brood War", "Both"}) {
        tabs->addTab(text);
    }
    column->addWidget(tabs);
    return tabs;
}

QCheckBox* TSettingsPage::AddUseDefault(QWidget* parent, QLayout* column, const char* name,
                                        const char* text) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    box->setChecked(true);
    column->addWidget(box);
    return box;
}

bool TSettingsPage::Leave() {
    if (m_item < 0) {
        return true;
    }
    if (m_useDefault->isChecked()) {
        return Told(StoreDefault(m_item, m_mode));
    }
    return Told(Store(m_item, m_mode));
}

bool TSettingsPage::Told(const Status& stored) {
    // An empty message: the store asked the user already (the text encoding question).
    if (!stored && !stored.error().empty()) {
        m_ask.ShowError(stored.error());
    }
    return stored.ok();
}

void TSettingsPage::Select(QTreeWidgetItem* current, QTreeWidgetItem* previous) {
    if (!Leave()) {
        const QSignalBlocker block(m_tree);
        m_tree->setCurrentItem(previous);
        return;
    }
    const QVariant number = current ? current->data(0, Qt::UserRole) : QVariant();
    m_item = number.isValid() ? number.toInt() : -1;
    m_body->setEnabled(m_item >= 0);
    if (m_item < 0) {
        return;
    }
    m_useDefault->setText("Use Default [" + current->text(0) + "]");
    SetTabs(ExpansionOnly(m_item));
    Show(m_item);
}

void TSettingsPage::SetTabs(bool expansionOnly) {
    const QSignalBlocker block(m_tabs);
    if (expansionOnly) {
        while (m_tabs->count() > 1) {
            m_tabs->removeTab(m_tabs->count() - 1);
        }
        m_tabs->setTabText(0, "Brood War");
        m_tabs->setCurrentIndex(0);
        m_mode = 1;
    } else if (m_tabs->count() != 3) {
        while (m_tabs->count() > 0) {
            m_tabs->removeTab(0);
        }
        for (const char* text : {"Starcraft", "Brood War", "Both"}) {
            m_tabs->addTab(text);
        }
        m_tabs->setCurrentIndex(m_mode);
    }
}

void TSettingsPage::ChangeTab(int index) {
    const int mode = m_tabs->count() == 1 ? 1 : index;
    if (m_item >= 0) {
        // Whatever the use-defaults box shows, the values shown are kept as custom ones.
        if (!Told(Store(m_item, m_mode))) {
            const QSignalBlocker block(m_tabs);
            m_tabs->setCurrentIndex(m_tabs->count() == 1 ? 0 : m_mode);
            return;
        }
    }
    m_mode = mode;
    if (m_item >= 0) {
        Show(m_item);
    }
}

Result<std::uint32_t> TSettingsPage::Read(const QLineEdit* edit, const std::string& field) {
    return Read(edit->text(), field);
}

Result<std::uint32_t> TSettingsPage::Read(const QString& text, const std::string& field) {
    const Result<std::int64_t> number = TSettingsStore::Number(field, text.trimmed().toStdString(), 0,
                                                               std::numeric_limits<std::uint32_t>::max());
    if (!number) {
        return MakeError(number.error());
    }
    return static_cast<std::uint32_t>(number.value());
}

QString TSettingsPage::StatText(int number) const {
    if (number <= 0 || static_cast<std::size_t>(number) > m_data.StatTxt.size()) {
        return {};
    }
    return QString::fromStdString(DecodeWestern(m_data.StatTxt[static_cast<std::size_t>(number - 1)]));
}

QTableWidget* MakePlayerList(QWidget* parent, const char* name, const char* valueTitle, const char* initial) {
    auto* table = new QTableWidget(12, 2, parent);
    table->setObjectName(name);
    table->setHorizontalHeaderLabels({"Player", valueTitle});
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int row = 0; row < 12; ++row) {
        table->setItem(row, 0, new QTableWidgetItem(QString("Player %1").arg(row + 1)));
        table->setItem(row, 1, new QTableWidgetItem(initial));
    }
    return table;
}

QString NextInCycle(const QString& text, std::initializer_list<const char*> order) {
    for (auto it = order.begin(); it != order.end(); ++it) {
        if (text == *it) {
            return *(it + 1 == order.end() ? order.begin() : it + 1);
        }
    }
    return text;
}

void FillRaceTree(QTreeWidget* tree, const std::vector<std::uint8_t>& table, int count, int labelAt,
                  int raceAt, const std::vector<std::string>& statTxt) {
    const QSignalBlocker block(tree);
    tree->clear();
    QTreeWidgetItem* races[4];
    const char* names[4] = {"Zerg", "Terran", "Protoss", "All"};
    for (int r = 0; r < 4; ++r) {
        races[r] = new QTreeWidgetItem(tree, QStringList(names[r]));
    }
    for (int i = 0; i < count; ++i) {
        const std::size_t at = static_cast<std::size_t>(labelAt + 2 * i),
                          raceByte = static_cast<std::size_t>(raceAt + i);
        if (at + 1 >= table.size() || raceByte >= table.size()) {
            break;
        }
        const int label = table[at] | table[at + 1] << 8;
        if (label == 0) {
            continue;
        }
        // The rule tables name races 0 to 3; any other race byte files the item under "All".
        const int race = table[raceByte] > 3 ? 3 : table[raceByte];
        const QString text =
            static_cast<std::size_t>(label) <= statTxt.size()
                ? QString::fromStdString(DecodeWestern(statTxt[static_cast<std::size_t>(label - 1)]))
                : QString();
        auto* item = new QTreeWidgetItem(races[race], QStringList(text));
        item->setData(0, Qt::UserRole, i);
    }
}

} // namespace orv
