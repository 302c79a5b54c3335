#include "settings/ForcesFRAME.h"

#include <QCheckBox>
#include <QDropEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "settings/SettingsStore.h"

#include <algorithm>

namespace orv {
namespace {

constexpr int kRandomStart = 0x01, kAllied = 0x02, kAlliedVictory = 0x04, kSharedVision = 0x08;

QCheckBox* Box(QWidget* parent, const char* text, const QString& name) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    return box;
}

} // namespace

TForceList::TForceList(TPlayerForcesFrame& page, QWidget* parent) : QListWidget(parent), m_page(page) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
}

void TForceList::dragEnterEvent(QDragEnterEvent* event) {
    if (dynamic_cast<TForceList*>(event->source())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TForceList::dragMoveEvent(QDragMoveEvent* event) {
    if (dynamic_cast<TForceList*>(event->source())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TForceList::dropEvent(QDropEvent* event) {
    auto* source = dynamic_cast<TForceList*>(event->source());
    if (!source) {
        event->ignore();
        return;
    }
    // The page moves the item itself: the drag must not remove it again.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    m_page.Force2LBDragDrop(source, this);
}

TPlayerForcesFrame::TPlayerForcesFrame(TSettingsStore& store, Prompter& ask, QWidget* parent)
    : QWidget(parent), m_store(store), m_ask(ask) {
    setObjectName("ForceSettings");
    auto* row = new QHBoxLayout(this);
    for (int k = 0; k < 4; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const QString n = QString::number(k + 1);
        ForceGB[i] = new QGroupBox("Force 1", this);
        ForceGB[i]->setObjectName("Force" + n + "GB");
        auto* column = new QVBoxLayout(ForceGB[i]);
        Force[i] = new QLineEdit(ForceGB[i]);
        Force[i]->setObjectName("Force" + n);
        ForceLB[i] = new TForceList(*this, ForceGB[i]);
        ForceLB[i]->setObjectName("Force" + n + "LB");
        Allied[i] = Box(ForceGB[i], "Allied", "Allied" + n);
        AlliedVict[i] = Box(ForceGB[i], "Allied victory", "AlliedVict" + n);
        RandomPos[i] = Box(ForceGB[i], "Random position", "RandomPos" + n);
        Vision[i] = Box(ForceGB[i], "Shared Vision", "Vision" + n);
        for (QWidget* w : std::initializer_list<QWidget*>{Force[i], ForceLB[i], Allied[i], AlliedVict[i],
                                                          RandomPos[i], Vision[i]}) {
            column->addWidget(w);
        }
        row->addWidget(ForceGB[i]);
        connect(Force[i], &QLineEdit::textChanged, this, [this] { Force1Change(); });
        connect(Allied[i], &QCheckBox::toggled, this, [this] { Allied1Click(); });
    }
    Load();
}

void TPlayerForcesFrame::Load() {
    const TCHK& chk = m_store.Chk();
    for (TForceList* list : ForceLB) {
        list->clear();
    }
    // Players of a force past the fourth are not listed (and cannot be moved).
    for (int p = 0; p < 8; ++p) {
        const int force = chk.PlayerForces[static_cast<std::size_t>(p)];
        if (force <= 3) {
            auto* item = new QListWidgetItem(QString("Player %1").arg(p + 1),
                                             ForceLB[static_cast<std::size_t>(force)]);
            item->setData(Qt::UserRole, p);
        }
    }
    for (std::size_t k = 0; k < 4; ++k) {
        m_names[k] = m_store.Text().ShowString(chk, chk.ForceNames[k]);
        const int flags = chk.ForceFlags[k];
        Force[k]->setText(QString::fromStdString(m_names[k]));
        Allied[k]->setChecked(flags & kAllied);
        AlliedVict[k]->setChecked(flags & kAlliedVictory);
        Vision[k]->setChecked(flags & kSharedVision);
        RandomPos[k]->setChecked(flags & kRandomStart);
    }
    Force1Change();
    Allied1Click();
}

void TPlayerForcesFrame::Force1Change() {
    for (std::size_t k = 0; k < 4; ++k) {
        ForceGB[k]->setTitle(QString("Force %1 [").arg(k + 1) + Force[k]->text() + "]");
    }
}

void TPlayerForcesFrame::Allied1Click() {
    for (std::size_t k = 0; k < 4; ++k) {
        AlliedVict[k]->setEnabled(Allied[k]->isChecked());
    }
}

void TPlayerForcesFrame::Force2LBDragDrop(QListWidget* source, QListWidget* target) {
    const auto to = std::find(ForceLB.begin(), ForceLB.end(), target);
    QListWidgetItem* item = source ? source->currentItem() : nullptr;
    if (to == ForceLB.end() || !item || !item->isSelected()) {
        return;
    }
    const int force = static_cast<int>(to - ForceLB.begin());
    if (Status set = m_store.SetPlayerForce(item->data(Qt::UserRole).toInt(), force); !set) {
        m_ask.ShowError(set.error());
        return;
    }
    auto* moved = new QListWidgetItem(item->text());
    moved->setData(Qt::UserRole, item->data(Qt::UserRole));
    delete source->takeItem(source->row(item));
    target->addItem(moved);
}

int TPlayerForcesFrame::Flags(int force) const {
    const auto k = static_cast<std::size_t>(force);
    // Bits the page does not show stay as they are.
    int flags = m_store.Chk().ForceFlags[k] & ~(kRandomStart | kAllied | kAlliedVictory | kSharedVision);
    flags |= (RandomPos[k]->isChecked() ? kRandomStart : 0) | (Allied[k]->isChecked() ? kAllied : 0) |
             (AlliedVict[k]->isChecked() ? kAlliedVictory : 0) | (Vision[k]->isChecked() ? kSharedVision : 0);
    return flags;
}

bool TPlayerForcesFrame::StoreCurrent() {
    for (int k = 0; k < 4; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const std::string name = Force[i]->text().toStdString();
        if (name != m_names[i]) {
            if (!m_store.SetForceName(k, name)) {
                return false;
            }
            m_names[i] = name;
        }
        if (const int flags = Flags(k); flags != m_store.Chk().ForceFlags[i]) {
            if (Status set = m_store.SetForceFlags(k, flags); !set) {
                m_ask.ShowError(set.error());
                return false;
            }
        }
    }
    return true;
}

} // namespace orv
