#include "tools/DDpalette.h"

#include <QComboBox>
#include <QPainter>
#include <QSignalBlocker>
#include <QSlider>

#include "graphics/CTileset.h"
#include "scenario/ScenarioText.h"
#include "view/PaintBoxEx.h"

namespace orv {

TDoodadPalette::TDoodadPalette(const CStarcraftTileset& tileset, const std::vector<std::string>& names,
                               QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint), m_names(names) {
    setObjectName("DoodadPalette");
    setWindowTitle("DoodadPalette");
    setFixedSize(238, 229);
    Doodadbox = new QComboBox(this);
    Doodadbox->setObjectName("Doodadbox");
    Doodadbox->setGeometry(2, 0, 233, 24);
    Doodadbox->setPlaceholderText("Doodads");
    DoodadPB = new TPaintboxEx(this);
    DoodadPB->setObjectName("DoodadPB");
    DoodadPB->setGeometry(0, 25, 200, 200);
    doodadticker = new QSlider(Qt::Vertical, this);
    doodadticker->setObjectName("doodadticker");
    doodadticker->setGeometry(200, 24, 33, 201);
    doodadticker->setTickPosition(QSlider::TicksRight);
    doodadticker->setTickInterval(1);
    doodadticker->setInvertedAppearance(true); // the first doodad at the top
    DoodadPB->OnPaint = [this](QPainter& painter) {
        painter.fillRect(0, 0, 200, 200, Qt::black);
        painter.drawImage(0, 200 - Preview.height(), Preview);
    };
    DoodadPB->OnClick = [this](QPoint) {
        if (OnPreviewClick) {
            OnPreviewClick();
        }
    };
    connect(Doodadbox, &QComboBox::currentIndexChanged, this, [this] { DoodadboxChange(); });
    connect(doodadticker, &QSlider::valueChanged, this, [this] { doodadtickerChange(); });
    Rebuild(tileset);
}

void TDoodadPalette::Rebuild(const CStarcraftTileset& tileset) {
    m_tileset = &tileset;
    m_building = true;
    {
        const QSignalBlocker block(Doodadbox);
        Doodadbox->clear();
        // One item per group name, in the order the names first appear; an item keeps the
        // string number of its first doodad.
        for (int d = 0; d < kDoodadCount; ++d) {
            const int s = tileset.DoodadInfo(d).NameString;
            if (s == 0) {
                continue;
            }
            const std::string& bytes = static_cast<std::size_t>(s - 1) < m_names.size()
                                           ? m_names[static_cast<std::size_t>(s - 1)]
                                           : std::string();
            const QString name = QString::fromStdString(DecodeWestern(bytes));
            if (Doodadbox->findText(name, Qt::MatchExactly) < 0) {
                Doodadbox->addItem(name, s);
            }
        }
        Doodadbox->setCurrentIndex(Doodadbox->count() > 0 ? 0 : -1);
    }
    DoodadboxChange();
    m_building = false;
}

void TDoodadPalette::DoodadboxChange() {
    Doodads.clear();
    const int s = Doodadbox->currentIndex() >= 0 ? Doodadbox->currentData().toInt() : 0;
    for (int d = 0; d < kDoodadCount && s != 0; ++d) {
        if (m_tileset->DoodadInfo(d).NameString == s) {
            Doodads.push_back(d);
        }
    }
    {
        const QSignalBlocker block(doodadticker);
        doodadticker->setRange(0, std::max(0, static_cast<int>(Doodads.size()) - 1));
        doodadticker->setValue(0);
    }
    doodadtickerChange();
}

void TDoodadPalette::doodadtickerChange() {
    const std::size_t at = static_cast<std::size_t>(std::max(0, doodadticker->value()));
    if (at >= Doodads.size()) {
        Preview = QImage();
        DoodadPB->update();
        return;
    }
    const int d = Doodads[at];
    const DoodadInfoRecord& info = m_tileset->DoodadInfo(d);
    Preview = QImage(std::max(1, info.Width * 32), std::max(1, info.Height * 32), QImage::Format_RGB32);
    Preview.fill(Qt::black);
    const PixelTarget32 target{reinterpret_cast<std::uint32_t*>(Preview.bits()), Preview.width(),
                               Preview.height(), static_cast<int>(Preview.bytesPerLine() / 4)};
    for (int c = 0; c < info.Width; ++c) {
        for (int r = 0; r < info.Height; ++r) {
            const int value = (info.FirstGroup + r) * 16 + c;
            if (m_tileset->TileHasGraphics(value)) {
                m_tileset->DrawTile(target, value, c * 32, r * 32);
            }
        }
    }
    if (OnChoose) {
        OnChoose(d, !m_building);
    }
    DoodadPB->update();
}

} // namespace orv
