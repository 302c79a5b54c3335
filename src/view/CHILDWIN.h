#pragma once

// A map window: one open map, shown in the main window's workspace. It owns the map's
// document (scenario record and working copy) and its view; the drawing decisions are the
// view's, this class puts them on screen and forwards the window's events.

#include <QPoint>
#include <QWidget>

#include "app/MapDocument.h"
#include "view/MapView.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QMdiSubWindow;
class QScrollBar;
class QTimer;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace orv {

class TPaintboxEx;
class TLocationForm;
class TUnitForm;
class TDoodadPalette;
class TplayersettingsFRM;

class TMapWindow : public QWidget {
public:
    static constexpr int kDesignWidth = 1075;
    static constexpr int kDesignHeight = 778;
    static constexpr int kRefreshMs = 20;

    TMapWindow(std::unique_ptr<TMapDocument> document, std::shared_ptr<TGameData> gameData,
               Prompter& prompter, QWidget* parent = nullptr);
    ~TMapWindow() override;

    // Components.
    TPaintboxEx* MapDisplay;
    QToolBar* ToolBar2;
    QComboBox* Mode;
    QComboBox* Brush_Shape;
    QComboBox* Brush_Size;
    QComboBox* Zoom_Lvl;
    QScrollBar* VertScroll;
    QScrollBar* HoriScroll;
    QFrame* Panel1;
    TPaintboxEx* MiniMapPB;
    TPaintboxEx* TerrainBox;
    QComboBox* CurPlayer;
    QTreeWidget* UnitSelect;
    QTimer* Timer1;

    TMapDocument& Document() { return *m_document; }
    // The game data this map was opened with (other game data chosen later serves later maps).
    TGameData& GameData() { return m_data; }
    CMapView& View() { return m_view; }
    TCHK& Scenario() { return m_document->Chk; }

    // The window became the active one, or stopped being it.
    void FormActivate();
    void FormDeactivate();
    bool IsActiveWindow() const { return m_active; }

    // The refresh tick (what Timer1 runs); returns what it did.
    CMapView::Tick Timer1Timer();

    // Sizes the window so that the map display is `width` x `height` pixels.
    void SetDisplaySize(int width, int height);

    void HoriScrollChange();
    void VertScrollChange();
    void Zoom_LvlChange();
    void JumpToPOS(int x, int y);

    // Asks "Save changes to FILE?" when the map has unsaved changes and saves on Yes. False
    // when the window should stay open: Cancel, or a save that did not happen.
    bool CloseQuery();
    // Set when CloseQuery was already answered for the coming close (the main window asks
    // every map before it closes any).
    bool CloseAnswered = false;

    // Saves the map (asking for a name for "Save As" and for a map without a file). Failures
    // are shown; the result tells whether the map was saved.
    bool Save(bool saveAs);

    // "Save Image of Map": asks for a file name and writes the whole map as a JPEG.
    void GenerateImage();

    // The fog and map-revealer commands of the main window.
    void FogAllOn();
    void FogAllOff();
    void AddMapRevealers(int number);

    // The map's text encoding (Display Options > Text Encoding): how its strings are shown
    // and new text is written; the choice stays with this window.
    const TMapText& Text() const { return m_view.Edit.Text; }
    void ChooseTextEncoding(TextEncoding encoding);

    // The mini-map's pointer events.
    void MiniMapPBMouseDown(Qt::MouseButtons buttons, QPoint at);
    void MiniMapPBMouseMove(Qt::MouseButtons buttons, QPoint at);
    void MiniMapPBMouseLeave();

    // How often the map display was put on screen.
    int PaintCount = 0;

    // Writes a text into a panel of the main window's status bar.
    std::function<void(int panel, const std::string& text)> OnStatus;

    // The window's title is the map's file name ("Untitled 1" for a new map); the full path is
    // the title bar's tool tip and the "Windows" menu's text.
    void SetCaption(const std::string& path);
    const std::string& FullCaption() const { return m_caption; }
    std::function<void(const std::string& caption)> OnCaptionChange;
    // The map's edit history changed (a step made, undone or redone).
    std::function<void()> OnHistoryChange;
    // The terrain palette: the tileset's terrain types, the chosen one outlined; a click on
    // one chooses it and Terrain mode.
    void TerrainBoxPaint(QPainter& painter);
    void TerrainBoxMouseUp(int x, int y);
    void ChooseTerrain(int group);

    // Undo and redo the last step of the map's history (not while a gesture is under way).
    void Undo();
    void Redo();
    const TEditHistory& History() const { return m_document->History; }
    TMapTools& Tools() { return m_tools; }
    // The Delete key: removes the selection of the current mode.
    void DeleteSelection();

    // The items of a tool's popup menu, as the menu shows them.
    static std::vector<std::pair<TPopupItem, const char*>> PopupItems(TPopupMenu menu);
    // The location properties dialog for the selected location (the menu item, the double
    // click); tests answer it through OnLocationForm instead of the user.
    void EditLocationProperties();
    // The unit properties dialog for the selected units; tests answer it through OnUnitForm.
    void EditUnitProperties();
    std::function<void(TUnitForm& form)> OnUnitForm;
    // The doodad palette (shown when the mode becomes Doodads).
    TDoodadPalette* DoodadPalette() { return m_doodadPalette; }
    std::function<void(TLocationForm& form)> OnLocationForm;
    // The scenario settings window ("Map Properties"): shown modally, its changes one step of
    // the map's history when it closes; sound files it queued go into the map archive. Tests
    // work the window through OnSettingsForm instead of the user (closed afterwards when
    // they left it open).
    void EditScenarioProperties();
    std::function<void(TplayersettingsFRM& form)> OnSettingsForm;

    // Set by tests: answers a popup menu instead of the user (nullopt: closed unchosen).
    std::function<std::optional<TPopupItem>(QMenu& menu)> OnPopup;

    // Says in the main window's status bar what a command did ("Saved map.scx").
    std::function<void(const std::string& text)> OnNotice;

    // Keyboard scrolling: arrows by a tile, Page Up / Page Down by a page, Home / End to the
    // map's top-left and bottom-right corners. True when the key scrolled.
    bool ScrollByKey(int key);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Initialize();
    void FormResize();
    void SyncScrollBars();
    // The file a save dialog starts with: the map's folder and name with `extension`.
    std::string StartFile(const std::string& extension) const;
    void MapDisplayPaint(QPainter& painter);
    // A pointer event at a display point, in map pixels.
    // A pointer event for the tools; the main window's placing options go to the tools first.
    TPointerEvent PointerAt(Qt::MouseButton button, Qt::MouseButtons held, Qt::KeyboardModifiers keys,
                            QPoint at);
    // Does what a tool's reply asks: redraw, start the click timer, open a menu or a dialog.
    void Show(const TToolReply& reply);
    void ShowToolState();
    void ShowPopup(TPopupMenu menu);
    // Shows what an edit changed: redraw, mini-map, caption, the main window's Edit menu.
    void Apply(const TEditChange& change);
    void UnitSelectExpanding(QTreeWidgetItem* item);
    void UnitSelectChoose(QTreeWidgetItem* item);
    void BuildUnitPalette();
    void BuildDoodadPalette();
    void ShowDoodadPalette();
    void FollowScenario();
    void AddQueuedSounds(const std::vector<std::string>& names, const std::vector<std::string>& sources);

    std::shared_ptr<TGameData> m_keepData; // the game data this map was opened with; goes last
    std::unique_ptr<TMapDocument> m_document;
    TGameData& m_data;
    Prompter& m_prompter;
    CMapView m_view;
    std::string m_toolCaption; // the mode's part of the caption
    TDoodadPalette* m_doodadPalette = nullptr;
    bool m_paletteShown = false;
    TMapTools m_tools{m_document->Chk, m_document->History, m_view.Edit, m_prompter};
    QTimer* m_clickTimer = nullptr;
    bool m_active = false;
    bool m_syncing = false;
    std::optional<QPoint> m_zoomAnchor; // the pointer, for a zoom by the wheel
    std::optional<QPoint> m_dragFrom;   // where a middle-button drag of the map started
    QPoint m_dragScroll;                // the scroll-bar values then
    std::string m_caption;
};

} // namespace orv
