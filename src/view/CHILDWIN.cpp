#include "view/CHILDWIN.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include "app/Debugunit.h"
#include "app/OptionCommands.h"
#include "base/Random.h"
#include "graphics/OrvistadTypes.h"
#include "settings/PlayerSettings.h"
#include "settings/SettingsStore.h"
#include "tools/DDpalette.h"
#include "tools/LocationFrm.h"
#include "tools/UnitProperties.h"
#include "view/MapImage.h"
#include "view/Overlays.h"
#include "view/PaintBoxEx.h"
#include "view/PointerStatus.h"
#include "view/UnitTree.h"

#include <chrono>
#include <filesystem>

namespace orv {
namespace {

constexpr int kLeftColumn = 144; // the map display starts right of the mini-map column
constexpr int kTop = 32;         // below the tool bar

QComboBox* MakeCombo(QWidget* parent, const char* name, std::initializer_list<const char*> items) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    for (const char* item : items) {
        combo->addItem(item);
    }
    return combo;
}

} // namespace

TMapWindow::TMapWindow(std::unique_ptr<TMapDocument> document, std::shared_ptr<TGameData> gameData,
                       Prompter& prompter, QWidget* parent)
    : QWidget(parent), m_keepData(std::move(gameData)), m_document(std::move(document)), m_data(*m_keepData),
      m_prompter(prompter), m_view(m_document->Chk, *m_document->Tileset, *m_keepData) {
    setObjectName("MapWindow");
    setWindowTitle("Orvistad Beta 1.0");
    // The terrain brushes draw random tile variants.
    SeedRandom(static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    setAttribute(Qt::WA_DeleteOnClose);
    m_view.Edit.SheetHalfHeight = [this](int sheet) {
        return sheet > 0 && static_cast<std::size_t>(sheet) < m_data.GrpSheets.size() &&
                       m_data.GrpSheets[sheet]
                   ? m_data.GrpSheets[static_cast<std::size_t>(sheet)]->HalfHeight()
                   : 0;
    };

    ToolBar2 = new QToolBar(this);
    ToolBar2->setObjectName("ToolBar2");
    ToolBar2->setFixedHeight(29);
    Mode = MakeCombo(ToolBar2, "Mode",
                     {"Terrain", "Copy / Paste", "Locations", "Units", "Doodads", "Fog of War"});
    Brush_Shape = MakeCombo(ToolBar2, "Brush_Shape", {"Normal", "Rectangular", "Square"});
    Brush_Size = MakeCombo(ToolBar2, "Brush_Size", {"Small", "Medium", "Large", "Huge", "Gargantuan"});
    Zoom_Lvl = MakeCombo(ToolBar2, "Zoom_Lvl", {});
    for (const char* caption : TViewport::kZoomCaptions) {
        Zoom_Lvl->addItem(caption);
    }
    ToolBar2->addWidget(new QLabel("Current Mode   ", ToolBar2));
    ToolBar2->addWidget(Mode);
    ToolBar2->addWidget(new QLabel(" Brush Shape  ", ToolBar2));
    ToolBar2->addWidget(Brush_Shape);
    ToolBar2->addWidget(new QLabel(" Size", ToolBar2));
    ToolBar2->addWidget(Brush_Size);
    ToolBar2->addWidget(new QLabel(" Zoom Level:", ToolBar2));
    ToolBar2->addWidget(Zoom_Lvl);

    MapDisplay = new TPaintboxEx(this);
    MapDisplay->setObjectName("MapDisplay");
    VertScroll = new QScrollBar(Qt::Vertical, this);
    VertScroll->setObjectName("VertScroll");
    HoriScroll = new QScrollBar(Qt::Horizontal, this);
    HoriScroll->setObjectName("HoriScroll");

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(0, kTop, 138, 138);
    MiniMapPB = new TPaintboxEx(Panel1);
    MiniMapPB->setObjectName("MiniMapPB");
    MiniMapPB->setGeometry(5, 8, 128, 125);
    TerrainBox = new TPaintboxEx(this);
    TerrainBox->setObjectName("TerrainBox");
    TerrainBox->setGeometry(5, 173, 128, 156);
    CurPlayer = new QComboBox(this);
    CurPlayer->setObjectName("CurPlayer");
    for (int i = 1; i <= 12; ++i) {
        CurPlayer->addItem(QString("Player %1").arg(i));
    }
    CurPlayer->setGeometry(5, 331, 128, 24);
    UnitSelect = new QTreeWidget(this);
    UnitSelect->setObjectName("UnitSelect");
    UnitSelect->setHeaderHidden(true);

    Timer1 = new QTimer(this);
    Timer1->setInterval(kRefreshMs);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });

    // The view puts its pictures on screen through the two paint boxes.
    m_view.Present = [this] { MapDisplay->update(); };
    // Every edit reaches the document, which updates what derives from the record and tells
    // the window once.
    m_tools.OnChange = [this](const TEditChange& change) { m_document->Changed(change); };
    m_document->OnChanged = [this](const TEditChange& change) { Apply(change); };
    m_view.PresentMiniMap = [this] { MiniMapPB->update(); };
    MapDisplay->OnPaint = [this](QPainter& painter) { MapDisplayPaint(painter); };
    // Keys scroll the map once it has the focus (a click on it gives it the focus).
    MapDisplay->setFocusPolicy(Qt::ClickFocus);
    // The middle button drags the map; the left and right buttons go to the editing tools.
    MapDisplay->OnMouseDown = [this](Qt::MouseButton button, Qt::MouseButtons held,
                                     Qt::KeyboardModifiers keys, QPoint at) {
        if (button == Qt::MiddleButton) {
            m_dragFrom = at;
            m_dragScroll = QPoint(HoriScroll->value(), VertScroll->value());
            return;
        }
        if (button == Qt::LeftButton || button == Qt::RightButton) {
            Show(m_tools.Press(PointerAt(button, held, keys, at)));
        }
    };
    MapDisplay->OnMouseUp = [this](Qt::MouseButton button, Qt::MouseButtons held, Qt::KeyboardModifiers keys,
                                   QPoint at) {
        if (button == Qt::MiddleButton) {
            m_dragFrom.reset();
        }
        if (button == Qt::LeftButton || button == Qt::RightButton) {
            Show(m_tools.Release(PointerAt(button, held, keys, at)));
        }
    };
    MapDisplay->OnClick = [this](QPoint at) {
        Show(m_tools.Click(PointerAt(Qt::LeftButton, Qt::NoButton, Qt::NoModifier, at)));
    };
    MapDisplay->OnDoubleClick = [this](QPoint at) {
        m_clickTimer->stop();
        Show(m_tools.DoubleClick(PointerAt(Qt::LeftButton, Qt::LeftButton, Qt::NoModifier, at)));
    };
    MapDisplay->OnMouseMove = [this](Qt::MouseButtons held, Qt::KeyboardModifiers keys, QPoint at) {
        if (m_dragFrom && (held & Qt::MiddleButton)) {
            HoriScroll->setValue(m_dragScroll.x() - (at.x() - m_dragFrom->x()));
            VertScroll->setValue(m_dragScroll.y() - (at.y() - m_dragFrom->y()));
        } else {
            m_dragFrom.reset();
        }
        const TPointerEvent event = PointerAt(Qt::NoButton, held, keys, at);
        if (OnStatus) {
            OnStatus(0, PointerStatus(Scenario(), m_data, event.MapX(), event.MapY()));
        }
        Show(m_tools.Move(event));
    };
    // A single click is acted on when no double click followed it in time.
    m_clickTimer = new QTimer(this);
    m_clickTimer->setSingleShot(true);
    m_clickTimer->setInterval(TMapTools::kClickDelayMs);
    connect(m_clickTimer, &QTimer::timeout, this, [this] {
        const QPoint at = MapDisplay->mapFromGlobal(QCursor::pos());
        m_view.Edit.LocationElevationMask =
            m_data.Options.LocationElevationMask; // hidden ones are not picked
        Show(m_tools.ClickDue(PointerAt(Qt::NoButton, QGuiApplication::mouseButtons(), Qt::NoModifier, at)));
    });
    // The wheel scrolls the map: up and down, or sideways with Shift held; with Ctrl it zooms.
    MapDisplay->OnMouseWheel = [this](int delta, Qt::KeyboardModifiers modifiers, QPoint at) {
        if (modifiers & Qt::ControlModifier) {
            // Zoom around the pointer.
            const int level = Zoom_Lvl->currentIndex() + (delta > 0 ? 1 : -1);
            m_zoomAnchor = at;
            Zoom_Lvl->setCurrentIndex(std::clamp(level, 0, Zoom_Lvl->count() - 1));
            m_zoomAnchor.reset();
            return;
        }
        // A notch moves about 96 screen pixels, and at least a whole tile at every zoom.
        const int tile = m_view.Viewport.TileScreenSize;
        const int notch = tile * std::max(1, 96 / tile);
        QScrollBar* bar = (modifiers & Qt::ShiftModifier) ? HoriScroll : VertScroll;
        bar->setValue(bar->value() - delta * notch / 120);
    };
    MiniMapPB->OnPaint = [this](QPainter& painter) { painter.drawImage(0, 0, m_view.MiniMapPicture); };
    TerrainBox->OnPaint = [this](QPainter& painter) { TerrainBoxPaint(painter); };
    TerrainBox->OnMouseUp = [this](Qt::MouseButton button, Qt::MouseButtons, Qt::KeyboardModifiers,
                                   QPoint at) {
        if (button == Qt::LeftButton) {
            TerrainBoxMouseUp(at.x(), at.y());
        }
    };
    MiniMapPB->OnMouseDown = [this](Qt::MouseButton, Qt::MouseButtons held, Qt::KeyboardModifiers,
                                    QPoint at) { MiniMapPBMouseDown(held, at); };
    MiniMapPB->OnMouseMove = [this](Qt::MouseButtons buttons, Qt::KeyboardModifiers, QPoint at) {
        MiniMapPBMouseMove(buttons, at);
    };
    MiniMapPB->OnMouseLeave = [this] { MiniMapPBMouseLeave(); };

    connect(HoriScroll, &QScrollBar::valueChanged, this, [this] { HoriScrollChange(); });
    connect(VertScroll, &QScrollBar::valueChanged, this, [this] { VertScrollChange(); });
    connect(Zoom_Lvl, &QComboBox::currentIndexChanged, this, [this] { Zoom_LvlChange(); });
    connect(Mode, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_tools.SetMode(std::max(0, index));
        if (index == kModeDoodads && m_doodadPalette) {
            ShowDoodadPalette();
        }
        if (!m_syncing) {
            // The Size box shows the brush the mode starts with ("Medium").
            const bool was = m_syncing;
            m_syncing = true;
            Brush_Size->setCurrentIndex(1);
            m_syncing = was;
        }
        m_view.RedrawRequest = true;
    });
    for (QComboBox* box : {Brush_Shape, Brush_Size}) {
        connect(box, &QComboBox::currentIndexChanged, this, [this] {
            if (!m_syncing) {
                m_tools.SetBrush(Brush_Shape->currentIndex() + 1, Brush_Size->currentIndex());
            }
        });
    }
    connect(CurPlayer, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_tools.SetPlayer(std::max(0, index));
        m_view.RedrawRequest = true;
    });
    connect(UnitSelect, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* item) { UnitSelectExpanding(item); });
    connect(UnitSelect, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { UnitSelectChoose(item); });

    resize(kDesignWidth, kDesignHeight);
    Initialize();
}

TMapWindow::~TMapWindow() {
    Timer1->stop();
}

void TMapWindow::Initialize() {
    m_syncing = true;
    Brush_Shape->setCurrentIndex(0);
    Brush_Size->setCurrentIndex(0);
    Mode->setCurrentIndex(0);
    Zoom_Lvl->setCurrentIndex(TViewport::kDefaultZoom);
    CurPlayer->setCurrentIndex(0);
    m_syncing = false;
    BuildUnitPalette();
    FormResize();
    m_view.Initialize(MapDisplay->width(), MapDisplay->height());
    BuildDoodadPalette(); // makes the first doodad current
    SyncScrollBars();
    Timer1->start();
}

void TMapWindow::BuildUnitPalette() {
    const QSignalBlocker block(UnitSelect);
    UnitSelect->clear();
    auto* terrain = new QTreeWidgetItem(UnitSelect, QStringList("Terrain"));
    const int tileset = Scenario().Tileset();
    const auto& names = TerrainTypeNames[static_cast<std::size_t>(tileset)];
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!names[i].empty()) {
            auto* item = new QTreeWidgetItem(
                terrain, QStringList(QString::fromUtf8(names[i].data(), static_cast<int>(names[i].size()))));
            item->setData(0, Qt::UserRole, TerrainTypeGroups[static_cast<std::size_t>(tileset)][i] + 1024);
        }
    }
    AddUnitNodes(UnitSelect, m_data);
}

void TMapWindow::BuildDoodadPalette() {
    if (m_doodadPalette) {
        m_doodadPalette->Rebuild(m_view.Tileset());
        return;
    }
    m_doodadPalette = new TDoodadPalette(m_view.Tileset(), m_data.StatTxt, this);
    m_doodadPalette->OnChoose = [this](int doodad, bool place) {
        m_view.Edit.CurrentDoodad = doodad;
        if (place && Mode->currentIndex() != kModeDoodads) {
            Mode->setCurrentIndex(kModeDoodads);
        }
        m_view.RedrawRequest = true;
    };
    m_doodadPalette->OnPreviewClick = [this] {
        if (Mode->currentIndex() != kModeDoodads) {
            Mode->setCurrentIndex(kModeDoodads);
        }
    };
    m_doodadPalette->Rebuild(m_view.Tileset()); // the first doodad becomes current
}

void TMapWindow::ShowDoodadPalette() {
    if (!m_paletteShown) {
        // First shown centred on the main window; afterwards where the user left it.
        const QWidget* top = window();
        m_doodadPalette->move(top->geometry().center() -
                              QPoint(m_doodadPalette->width() / 2, m_doodadPalette->height() / 2));
        m_paletteShown = true;
    }
    m_doodadPalette->show();
    m_doodadPalette->raise();
}

void TMapWindow::UnitSelectChoose(QTreeWidgetItem* item) {
    // A terrain (its group + 1024) chooses the terrain and Terrain mode; a unit type chooses
    // the type and Units mode; the "Terrain" node carries nothing.
    if (!item || !item->data(0, Qt::UserRole).isValid()) {
        return;
    }
    const int value = item->data(0, Qt::UserRole).toInt();
    if (value >= 1024) {
        ChooseTerrain(value - 1024);
    } else if (value >= 0 && value < kUnitTypeCount) {
        m_view.Edit.CurrentUnitType = value;
        Mode->setCurrentIndex(kModeUnits);
        m_view.RedrawRequest = true;
    }
}

void TMapWindow::ChooseTerrain(int group) {
    m_view.Edit.SelectedTerrain = group * 16;
    Mode->setCurrentIndex(kModeTerrain);
    TerrainBox->update();
}

void TMapWindow::TerrainBoxPaint(QPainter& painter) {
    painter.fillRect(QRect(0, 0, 140, 140), palette().button());
    const auto& groups = TerrainTypeGroups[static_cast<std::size_t>(Scenario().Tileset())];
    QImage tiles(TerrainBox->width(), TerrainBox->height(), QImage::Format_RGB32);
    tiles.fill(palette().button().color());
    const PixelTarget32 target{reinterpret_cast<std::uint32_t*>(tiles.bits()), tiles.width(), tiles.height(),
                               static_cast<int>(tiles.bytesPerLine() / 4)};
    for (std::size_t i = 0; i < groups.size(); ++i) {
        const int c = static_cast<int>(i % 4), r = static_cast<int>(i / 4);
        if (groups[i] != 0) {
            m_view.Tileset().DrawTile(target, groups[i] * 16, 33 * c + 1, 33 * r + 1);
        }
    }
    painter.drawImage(0, 0, tiles);
    if (!m_tools.IsometricBrushAvailable()) {
        // Below the entries: why the Normal brush paints nothing here.
        painter.setPen(palette().buttonText().color());
        painter.drawText(QRect(0, 134, TerrainBox->width(), 22), Qt::AlignCenter | Qt::TextWordWrap,
                         "No Normal brush for this tileset");
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QColor(0, 255, 0));
    for (std::size_t i = 0; i < groups.size(); ++i) {
        const int c = static_cast<int>(i % 4), r = static_cast<int>(i / 4);
        if (groups[i] / 2 == m_view.Edit.SelectedTerrain / 32) {
            painter.drawRect(33 * c, 33 * r, 34, 34);
        }
    }
}

void TMapWindow::TerrainBoxMouseUp(int x, int y) {
    // Clicks between or past the entries choose nothing.
    if (x < 0 || y < 0 || x >= 4 * 34) {
        return;
    }
    const std::size_t i = static_cast<std::size_t>(x / 34 + (y / 34) * 4);
    const auto& groups = TerrainTypeGroups[static_cast<std::size_t>(Scenario().Tileset())];
    if (i < groups.size() && groups[i] != 0) {
        ChooseTerrain(groups[i]);
    }
}

void TMapWindow::UnitSelectExpanding(QTreeWidgetItem* item) {
    // At most one branch is open: every other one closes.
    std::function<void(QTreeWidgetItem*)> collapse = [&](QTreeWidgetItem* node) {
        for (int i = 0; i < node->childCount(); ++i) {
            collapse(node->child(i));
        }
        bool onPath = false;
        for (QTreeWidgetItem* up = item; up; up = up->parent()) {
            onPath = onPath || up == node;
        }
        if (!onPath && node->isExpanded()) {
            node->setExpanded(false);
        }
    };
    const QSignalBlocker block(UnitSelect);
    for (int i = 0; i < UnitSelect->topLevelItemCount(); ++i) {
        collapse(UnitSelect->topLevelItem(i));
    }
}

void TMapWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
}

void TMapWindow::FormResize() {
    const int w = width(), h = height();
    const int bar = HoriScroll->sizeHint().height();
    const int vbar = VertScroll->sizeHint().width();
    ToolBar2->setGeometry(0, 0, w, 29);
    MapDisplay->setGeometry(kLeftColumn, kTop, std::max(1, w - kLeftColumn - vbar),
                            std::max(1, h - kTop - bar));
    HoriScroll->setGeometry(kLeftColumn, h - bar, std::max(1, w - kLeftColumn - vbar), bar);
    VertScroll->setGeometry(w - vbar, kTop, vbar, std::max(1, h - kTop - bar));
    UnitSelect->setGeometry(0, 360, 137, std::max(1, h - 360 - 5));
    if (m_view.Viewport.MapWidth > 0) {
        m_view.Resize(MapDisplay->width(), MapDisplay->height());
        SyncScrollBars();
    }
}

void TMapWindow::SetDisplaySize(int width, int height) {
    const int bar = HoriScroll->sizeHint().height();
    const int vbar = VertScroll->sizeHint().width();
    const QSize client(width + kLeftColumn + vbar, height + kTop + bar);
    if (auto* sub = dynamic_cast<QMdiSubWindow*>(parentWidget())) {
        sub->resize(sub->size() - size() + client);
    }
    resize(client);
}

void TMapWindow::SyncScrollBars() {
    // Qt's bars run from 0 to the highest reachable position; the page is the display.
    m_syncing = true;
    const TViewport& v = m_view.Viewport;
    HoriScroll->setRange(0, v.HoriScroll.Reach());
    HoriScroll->setPageStep(std::max(1, v.HoriScroll.PageSize));
    HoriScroll->setSingleStep(v.HoriScroll.SmallChange);
    HoriScroll->setValue(v.HoriScroll.Position);
    VertScroll->setRange(0, v.VertScroll.Reach());
    VertScroll->setPageStep(std::max(1, v.VertScroll.PageSize));
    VertScroll->setSingleStep(v.VertScroll.SmallChange);
    VertScroll->setValue(v.VertScroll.Position);
    m_syncing = false;
}

void TMapWindow::HoriScrollChange() {
    if (m_syncing) {
        return;
    }
    m_view.HoriScrollChange(HoriScroll->value());
    SyncScrollBars();
}

void TMapWindow::VertScrollChange() {
    if (m_syncing) {
        return;
    }
    m_view.VertScrollChange(VertScroll->value());
    SyncScrollBars();
}

void TMapWindow::Zoom_LvlChange() {
    if (m_syncing) {
        return;
    }
    // The wheel zooms around the pointer, the box around the view's centre.
    const TViewport& v = m_view.Viewport;
    const QPoint anchor = m_zoomAnchor.value_or(QPoint(v.DisplayWidth / 2, v.DisplayHeight / 2));
    m_view.ZoomAround(Zoom_Lvl->currentIndex(), anchor.x(), anchor.y());
    SyncScrollBars();
}

bool TMapWindow::ScrollByKey(int key) {
    const int tile = m_view.Viewport.TileScreenSize;
    switch (key) {
    case Qt::Key_Left:
        HoriScroll->setValue(HoriScroll->value() - tile);
        return true;
    case Qt::Key_Right:
        HoriScroll->setValue(HoriScroll->value() + tile);
        return true;
    case Qt::Key_Up:
        VertScroll->setValue(VertScroll->value() - tile);
        return true;
    case Qt::Key_Down:
        VertScroll->setValue(VertScroll->value() + tile);
        return true;
    case Qt::Key_PageUp:
        VertScroll->setValue(VertScroll->value() - VertScroll->pageStep());
        return true;
    case Qt::Key_PageDown:
        VertScroll->setValue(VertScroll->value() + VertScroll->pageStep());
        return true;
    case Qt::Key_Home:
        HoriScroll->setValue(0);
        VertScroll->setValue(0);
        return true;
    case Qt::Key_End:
        HoriScroll->setValue(HoriScroll->maximum());
        VertScroll->setValue(VertScroll->maximum());
        return true;
    default:
        return false;
    }
}

void TMapWindow::keyPressEvent(QKeyEvent* event) {
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (plain && event->key() == Qt::Key_Delete) {
        DeleteSelection();
        return;
    }
    if (plain && event->key() == Qt::Key_Escape) {
        Show(m_tools.Escape());
        return;
    }
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier) || !ScrollByKey(event->key())) {
        QWidget::keyPressEvent(event);
    }
}

void TMapWindow::JumpToPOS(int x, int y) {
    m_view.JumpToPOS(x, y);
    SyncScrollBars();
}

void TMapWindow::FormActivate() {
    m_active = true;
    // The sprite sheets are shared: sprites drawn straight onto a picture take this map's colours.
    for (auto& sheet : m_data.GrpSheets) {
        if (sheet) {
            sheet->Palette = m_document->Tileset->PaletteRGB.data();
        }
    }
    Timer1->start();
}

void TMapWindow::FormDeactivate() {
    m_active = false;
    Timer1->stop();
}

CMapView::Tick TMapWindow::Timer1Timer() {
    const QPoint mouse = MapDisplay->mapFromGlobal(QCursor::pos());
    return m_view.RefreshTick(m_active, mouse.x(), mouse.y());
}

void TMapWindow::MapDisplayPaint(QPainter& painter) {
    ++PaintCount;
    if (!m_active) {
        // An inactive window's frame may never have been drawn, or be of an old size.
        const QPoint mouse = MapDisplay->mapFromGlobal(QCursor::pos());
        m_view.RenderIfDue(mouse.x(), mouse.y());
    }
    // The display bitmap is in screen pixels at every zoom: a straight copy; past the map
    // (and before the first render) the view is black.
    const QRect target(0, 0, MapDisplay->width(), MapDisplay->height());
    const QImage& shown = m_view.DisplayBitmap;
    if (shown.width() < target.width() || shown.height() < target.height()) {
        painter.fillRect(target, Qt::black);
    }
    painter.drawImage(QPoint(0, 0), shown, target.intersected(shown.rect()));
}

void TMapWindow::MiniMapPBMouseDown(Qt::MouseButtons, QPoint at) {
    JumpToPOS(at.x(), at.y());
}

void TMapWindow::MiniMapPBMouseMove(Qt::MouseButtons buttons, QPoint at) {
    const int x = std::clamp(at.x(), 0, 128);
    const int y = std::clamp(at.y(), 0, 128);
    m_view.DrawMiniMap();
    m_view.DrawMiniMapHover(x, y);
    m_view.DisplayMiniMap();
    if (buttons & Qt::LeftButton) {
        JumpToPOS(x, y);
    }
}

void TMapWindow::MiniMapPBMouseLeave() {
    m_view.DrawMiniMap();
    m_view.DisplayMiniMap();
}

bool TMapWindow::Save(bool saveAs) {
    std::string target = m_document->FileName;
    if (saveAs || target.empty()) {
        // A map that needs Brood War is proposed as ".scx", any other as ".scm".
        const std::string extension = Scenario().ProposedExtension();
        const std::string filter = extension == ".scx"
                                       ? "Starcraft expansion maps|*.scx|Starcraft maps|*.scm"
                                       : "Starcraft maps|*.scm|Starcraft expansion maps|*.scx";
        auto chosen = m_prompter.ChooseFileToSave("Save As", filter, extension, StartFile(extension));
        if (!chosen || chosen->empty()) {
            return false;
        }
        target = *chosen;
    }
    auto saved = m_document->Save(target);
    if (!saved) {
        m_prompter.ShowError(saved.error());
        return false;
    }
    SetCaption(target);
    if (OnNotice) {
        OnNotice("Saved " + std::filesystem::path(target).filename().string());
    }
    return true;
}

std::string TMapWindow::StartFile(const std::string& extension) const {
    // The map's folder and name; a new map's name in the current folder.
    const std::string& file = m_document->FileName;
    const std::filesystem::path base =
        file.empty() ? std::filesystem::path(windowTitle().toStdString()) : std::filesystem::path(file);
    return std::filesystem::path(base).replace_extension(extension).string();
}

void TMapWindow::GenerateImage() {
    Timer1->stop();
    const auto restart = [this] {
        if (m_active) {
            Timer1->start();
        }
    };
    auto chosen = m_prompter.ChooseFileToSave("Save Image of Map",
                                              "JPG image files|*.jpg|Bitmap |*-.bmp|Bitmap Isom|*.isom.bmp",
                                              "*.jpg", StartFile(".jpg"));
    if (!chosen || chosen->empty()) {
        restart();
        return;
    }
    if (Status written = ExportMapImage(Scenario(), *m_document->Tileset, m_data, *chosen); !written) {
        m_prompter.ShowError("Could not save the image of the map: " + written.error());
    } else if (OnNotice) {
        OnNotice("Saved the image of the map as " + std::filesystem::path(*chosen).filename().string());
    }
    restart();
}

void TMapWindow::ChooseTextEncoding(TextEncoding encoding) {
    m_view.Edit.Text.Choose(encoding);
    m_view.RedrawRequest = true; // location names
    if (OnNotice) {
        OnNotice(std::string("Text encoding: ") + EncodingName(encoding));
    }
}

void TMapWindow::FogAllOn() {
    Show(m_tools.FogAllOn());
}

void TMapWindow::FogAllOff() {
    Show(m_tools.FogAllOff());
}

void TMapWindow::AddMapRevealers(int number) {
    Show(m_tools.AddMapRevealers(number));
}

void TMapWindow::Undo() {
    Show(m_tools.Undo());
}

void TMapWindow::Redo() {
    Show(m_tools.Redo());
}

void TMapWindow::DeleteSelection() {
    Show(m_tools.DeleteSelection());
}

TPointerEvent TMapWindow::PointerAt(Qt::MouseButton button, Qt::MouseButtons held, Qt::KeyboardModifiers keys,
                                    QPoint at) {
    // The "Unit Placing" options and the shown locations are the main window's.
    m_view.Edit.Placement = PlacementOptions(m_data.Options);
    m_view.Edit.LocationElevationMask = m_data.Options.LocationElevationMask;
    const TViewport& v = m_view.Viewport;
    TPointerEvent event;
    event.button = button == Qt::LeftButton     ? TPointerEvent::Button::Left
                   : button == Qt::RightButton  ? TPointerEvent::Button::Right
                   : button == Qt::MiddleButton ? TPointerEvent::Button::Middle
                                                : TPointerEvent::Button::None;
    event.leftHeld = held & Qt::LeftButton;
    event.rightHeld = held & Qt::RightButton;
    event.shift = keys & Qt::ShiftModifier;
    event.ctrl = keys & Qt::ControlModifier;
    event.alt = keys & Qt::AltModifier;
    event.x = at.x();
    event.y = at.y();
    event.view = TPointerView{v.TileScreenSize, v.ScrollTileX, v.ScrollTileY};
    return event;
}

void TMapWindow::Show(const TToolReply& reply) {
    // The record's changes reach Apply through the document.
    if (reply.Redraw) {
        m_view.RedrawRequest = true;
    }
    if (reply.StartClickTimer) {
        m_clickTimer->start();
    }
    if (reply.Popup != TPopupMenu::None) {
        ShowPopup(reply.Popup);
    }
    if (reply.Dialog == TToolDialog::LocationProperties) {
        EditLocationProperties();
    } else if (reply.Dialog == TToolDialog::UnitProperties) {
        EditUnitProperties();
    }
    if (!reply.UnitCount.empty() && OnStatus) {
        OnStatus(1, reply.UnitCount);
    }
    ShowToolState();
}

void TMapWindow::ShowToolState() {
    // The pointer's shape and the mode's caption ("Can add") follow the tools.
    static constexpr std::array<Qt::CursorShape, 6> kCursors{Qt::ArrowCursor,     Qt::SizeHorCursor,
                                                             Qt::SizeVerCursor,   Qt::SizeBDiagCursor,
                                                             Qt::SizeFDiagCursor, Qt::PointingHandCursor};
    const Qt::CursorShape cursor = kCursors[static_cast<std::size_t>(m_view.Edit.Cursor)];
    if (MapDisplay->cursor().shape() != cursor) {
        MapDisplay->setCursor(cursor);
    }
    if (m_view.Edit.Caption != m_toolCaption) {
        m_toolCaption = m_view.Edit.Caption;
        SetCaption(m_caption);
    }
}

void TMapWindow::EditUnitProperties() {
    const std::vector<int> selected = m_view.Edit.Selection.UnitIndices(Scenario());
    if (selected.empty()) {
        return;
    }
    const UnitRecord& first = Scenario().Units[static_cast<std::size_t>(selected.front())];
    const auto& parts = first.Type >= 0 && first.Type < kUnitTypeCount
                            ? m_data.UnitNameParts[static_cast<std::size_t>(first.Type)]
                            : m_data.UnitNameParts[kUnitTypeCount];
    TUnitForm form(first, parts.empty() ? std::string() : DecodeWestern(parts.front()), this);
    form.OnApply = [this](const Result<TUnitProperties>& properties) {
        if (!properties) {
            m_prompter.ShowError(properties.error());
            return false;
        }
        Show(m_tools.ApplyUnitProperties(properties.value()));
        return true;
    };
    if (OnUnitForm) {
        OnUnitForm(form);
    } else {
        form.exec();
    }
    m_view.RedrawRequest = true;
}

void TMapWindow::EditLocationProperties() {
    const int slot = m_view.Edit.Selection.Location;
    if (!m_view.Edit.Selection.HasLocation(Scenario())) {
        return;
    }
    TLocationForm form(Scenario(), slot, m_view.Edit.Text, this);
    form.OnApply = [this](const TLocationProperties& properties) {
        const Result<bool> applied = m_tools.ApplyLocationProperties(properties);
        if (!applied) {
            m_prompter.ShowError(applied.error());
            return false;
        }
        return applied.value();
    };
    if (OnLocationForm) {
        OnLocationForm(form);
    } else {
        form.exec();
    }
    m_view.RedrawRequest = true;
}

void TMapWindow::EditScenarioProperties() {
    TSettingsStore store(Scenario(), m_view.Edit.Text, m_prompter, TSettingsTables::From(m_data));
    store.CanAddFiles = m_document->IsArchive && !m_document->WorkingCopy.empty();
    Timer1->stop();
    const std::string name = std::filesystem::path(m_caption).filename().string();
    {
        TplayersettingsFRM form(store, m_data, m_prompter, name, this);
        if (OnSettingsForm) {
            OnSettingsForm(form);
            if (!form.Closed()) {
                form.reject();
            }
        } else {
            form.exec();
        }
    }
    // The document tells the window (Apply), which follows a new size or tileset.
    m_document->Changed(
        store.Finish(m_document->History, [this](int number) { return &m_data.Tileset(number); }));
    AddQueuedSounds(store.QueuedNames(), store.QueuedSources());
    m_view.RedrawRequest = true;
    if (m_active) {
        Timer1->start();
    }
}

void TMapWindow::AddQueuedSounds(const std::vector<std::string>& names,
                                 const std::vector<std::string>& sources) {
    if (names.empty()) {
        return;
    }
    // The files go into the working copy, and with the next save into the map file. (The
    // Wavs page queues files only for a map that has an archive.)
    if (Status added = m_data.Archives.AddWavesToArchive(names, sources, m_document->WorkingCopy); !added) {
        m_prompter.ShowError("Could not add the sound files to the map: " + added.error());
    }
}

std::vector<std::pair<TPopupItem, const char*>> TMapWindow::PopupItems(TPopupMenu menu) {
    switch (menu) {
    case TPopupMenu::CopyPaste:
        return {{TPopupItem::Copy, "Copy"}, {TPopupItem::Cut, "Cut"}, {TPopupItem::Paste, "Paste"}};
    case TPopupMenu::Location:
        return {{TPopupItem::EditLocationProperties, "Edit Location Properties"},
                {TPopupItem::DeleteLocation, "Delete Location"}};
    case TPopupMenu::Unit:
        return {{TPopupItem::EditUnitProperties, "Edit Unit Properties"},
                {TPopupItem::DeleteUnit, "Delete Unit"}};
    case TPopupMenu::Doodad:
        return {{TPopupItem::DeleteDoodad, "Delete Doodad"}};
    case TPopupMenu::None:
        break;
    }
    return {};
}

void TMapWindow::ShowPopup(TPopupMenu menu) {
    QMenu popup(this);
    popup.setObjectName("MapPopup");
    for (const auto& [item, text] : PopupItems(menu)) {
        if (item == TPopupItem::Paste) {
            popup.addSeparator();
        }
        QAction* action = popup.addAction(text);
        action->setData(static_cast<int>(item));
    }
    m_view.RedrawRequest = true;
    if (OnPopup) {
        // Tests choose instead of the user.
        if (const auto chosen = OnPopup(popup)) {
            Show(m_tools.Choose(*chosen));
        }
        return;
    }
    if (QAction* chosen = popup.exec(QCursor::pos())) {
        Show(m_tools.Choose(static_cast<TPopupItem>(chosen->data().toInt())));
    }
}

void TMapWindow::FollowScenario() {
    // The scenario settings (or their undo) may have changed the map's tileset or size; the
    // document already links the record to the tileset of its number.
    CStarcraftTileset& tileset = *m_document->Tileset;
    const bool newTileset = &tileset != &m_view.Tileset();
    const TViewport& v = m_view.Viewport;
    if (!newTileset && v.MapWidth == Scenario().Width && v.MapHeight == Scenario().Height) {
        return;
    }
    m_view.MapChanged(tileset);
    if (newTileset) {
        // The palettes offer the new tileset's terrain and doodads, and the sprites take its
        // colours.
        BuildDoodadPalette();
        BuildUnitPalette();
        TerrainBox->update();
        if (m_active) {
            FormActivate();
        }
    }
    SyncScrollBars();
}

void TMapWindow::Apply(const TEditChange& change) {
    if (!change.Any()) {
        return;
    }
    FollowScenario();
    if (change.Terrain) {
        const TileRect& cells = change.Cells;
        if (cells.Right > cells.Left && cells.Bottom > cells.Top) {
            m_view.RebuildMiniMapBase(cells);
        } else {
            m_view.RebuildMiniMapBase();
        }
    }
    m_view.RedrawRequest = true;
    SetCaption(m_caption);
    if (OnHistoryChange) {
        OnHistoryChange();
    }
}

bool TMapWindow::CloseQuery() {
    // Changes are never dropped without asking.
    if (m_document->IsModified()) {
        const std::string name =
            m_document->FileName.empty() ? windowTitle().toStdString() : m_document->FileName;
        const Prompter::Answer answer = m_prompter.AskYesNoCancel("Save changes to " + name + "?");
        if (answer == Prompter::Answer::Cancel || (answer == Prompter::Answer::Yes && !Save(false))) {
            return false;
        }
    }
    return true;
}

void TMapWindow::closeEvent(QCloseEvent* event) {
    if (!CloseAnswered && !CloseQuery()) {
        event->ignore();
        return;
    }
    CloseAnswered = false;
    Timer1->stop();
    m_active = false;
    QWidget::closeEvent(event);
}

void TMapWindow::SetCaption(const std::string& path) {
    m_caption = path;
    const std::string name = std::filesystem::path(path).filename().string();
    // A "*" while the map differs from its saved state (undoing back to it takes it away).
    const std::string mark = m_document->History.AtSaved() ? "" : "*";
    // Locations mode tells whether a location can start under the pointer.
    const std::string tool = m_toolCaption.empty() ? "" : " - " + m_toolCaption;
    setWindowTitle(QString::fromStdString((name.empty() ? path : name) + mark + tool));
    if (OnCaptionChange) {
        OnCaptionChange(path);
    }
}

} // namespace orv
