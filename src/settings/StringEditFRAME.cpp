#include "settings/StringEditFRAME.h"

#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "settings/SettingsStore.h"
#include "settings/stringframe.h"

#include <array>
#include <variant>

namespace orv {
namespace {

// Item data: the bytes drawn, and whether the line holds an edit.
constexpr int kBytesRole = Qt::UserRole;
constexpr int kEditedRole = Qt::UserRole + 1;
constexpr int kItemHeight = 16;

// The colour a formatting byte (1 to 8) switches to.
constexpr std::array<QRgb, 8> kByteColours{qRgb(170, 0, 0),     qRgb(170, 0, 0),     qRgb(255, 255, 0),
                                           qRgb(255, 255, 255), qRgb(128, 128, 128), qRgb(255, 0, 0),
                                           qRgb(0, 238, 0),     qRgb(68, 68, 68)};

// Draws a string's bytes: 1 to 8 switch the colour, 0 and 9 are skipped, the runs between
// them are shown through the map's text decoding, character after character until the
// line's right edge.
class TStringLineDelegate : public QStyledItemDelegate {
public:
    TStringLineDelegate(const TMapText& text, QObject* parent) : QStyledItemDelegate(parent), m_text(text) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QRect rect = option.rect;
        painter->save();
        painter->fillRect(rect,
                          option.state & QStyle::State_Selected ? QColor(0, 0, 128) : QColor(Qt::black));
        painter->setClipRect(rect);
        painter->setFont(option.font);
        const QFontMetrics metrics(option.font);
        QColor colour(Qt::yellow);
        int x = rect.left();
        const QByteArray bytes = index.data(kBytesRole).toByteArray();
        std::string run;
        auto drawRun = [&] {
            if (run.empty() || x >= rect.right()) {
                run.clear();
                return;
            }
            painter->setPen(colour);
            for (QChar c : QString::fromStdString(m_text.Show(run))) {
                if (x >= rect.right()) {
                    break;
                }
                const QString shown = c.isPrint() ? QString(c) : QString(' ');
                painter->drawText(QRect(x, rect.top(), rect.right() - x, rect.height()),
                                  Qt::AlignLeft | Qt::AlignTop, shown);
                x += metrics.horizontalAdvance(shown);
            }
            run.clear();
        };
        for (const char ch : bytes) {
            const auto byte = static_cast<unsigned char>(ch);
            if (byte == 0 || byte == 9) {
                continue;
            }
            if (byte >= 1 && byte <= 8) {
                drawRun();
                colour = QColor(kByteColours[byte - 1]);
                continue;
            }
            run.push_back(ch);
        }
        drawRun();
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), kItemHeight};
    }

private:
    const TMapText& m_text;
};

QByteArray ToBytes(const std::string& bytes) {
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace

TStringEditorFrame::TStringEditorFrame(TSettingsStore& store, QWidget* parent)
    : QWidget(parent), m_store(store) {
    setObjectName("StringEditor");
    auto* column = new QVBoxLayout(this);
    CHKStrings = new QListWidget(this);
    CHKStrings->setObjectName("CHKStrings");
    CHKStrings->setUniformItemSizes(true);
    CHKStrings->setItemDelegate(new TStringLineDelegate(m_store.Text(), CHKStrings));
    QPalette colours = CHKStrings->palette();
    colours.setColor(QPalette::Base, Qt::black);
    colours.setColor(QPalette::Text, Qt::yellow);
    CHKStrings->setPalette(colours);
    column->addWidget(CHKStrings, 1);
    StringFrame = new TStringFrm(this);
    StringFrame->setObjectName("StringFrame");
    StringFrame->setMaximumHeight(120);
    column->addWidget(StringFrame);
    connect(CHKStrings, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { CHKStringsClick(item); });
    Load();
}

void TStringEditorFrame::Load() {
    CHKStrings->clear();
    m_current = nullptr;
    const std::vector<std::string>& entries = m_store.Chk().Strings.Entries;
    for (const std::string& bytes : entries) {
        auto* item =
            new QListWidgetItem(QString::fromStdString(m_store.Text().ShowTagged(bytes)), CHKStrings);
        item->setData(kBytesRole, ToBytes(bytes));
    }
    StringFrame->SetStr({}, m_store.Text());
}

void TStringEditorFrame::KeepEdit() {
    if (!m_current || !StringFrame->Changed()) {
        return;
    }
    const std::string text = StringFrame->Text();
    m_current->setText(QString::fromStdString(text));
    m_current->setData(kEditedRole, true);
    // Drawn as it will be stored; text the map's encoding cannot hold is drawn as typed.
    const auto stored = m_store.Text().Store(text, true);
    if (const auto* bytes = std::get_if<TMapText::Stored>(&stored)) {
        m_current->setData(kBytesRole, ToBytes(bytes->Bytes));
    }
}

void TStringEditorFrame::CHKStringsClick(QListWidgetItem* item) {
    KeepEdit();
    if (!item) {
        return;
    }
    const QByteArray bytes = item->data(kBytesRole).toByteArray();
    StringFrame->SetStr(bytes.toStdString(), m_store.Text());
    // An edit the map's encoding cannot hold is shown as typed.
    if (QString::fromStdString(StringFrame->Text()) != item->text()) {
        StringFrame->StringDisplay->setPlainText(item->text().replace("\r\n", "\n"));
    }
    m_current = item;
}

std::string TStringEditorFrame::LineText(int index) const {
    const QListWidgetItem* item = CHKStrings->item(index);
    return item ? item->text().toStdString() : std::string();
}

bool TStringEditorFrame::StoreCurrent() {
    KeepEdit();
    for (int i = 0; i < CHKStrings->count(); ++i) {
        QListWidgetItem* item = CHKStrings->item(i);
        if (!item->data(kEditedRole).toBool()) {
            continue;
        }
        if (!m_store.SetString(static_cast<std::size_t>(i), item->text().toStdString())) {
            CHKStrings->setCurrentItem(item);
            CHKStringsClick(item);
            return false;
        }
        item->setData(kEditedRole, false);
    }
    return true;
}

} // namespace orv
