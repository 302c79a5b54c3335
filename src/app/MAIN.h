#pragma once

// The main window: menus, tool bar and the workspace of map windows. It owns the game data
// that the map windows share, the option flags and the recent files, runs the file
// commands and forwards the rest to the active map window. When the user chooses other game
// data, maps opened afterwards use it; each open map window keeps the data it was opened with.

#include <QMainWindow>

#include "app/GameData.h"
#include "app/GatePrompter.h"
#include "app/MapDocument.h"
#include "app/OptionCommands.h"
#include "tools/ModeTool.h"

#include <array>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class QAction;
class QActionGroup;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPushButton;
class QToolBar;

namespace orv {

class TGameDataDLG;
class TMapWindow;
class TNewCHKDLG;

class TMainForm : public QMainWindow {
public:
    // Runs the start-up: game data, option flags, recent files.
    TMainForm(Prompter& prompter, const StartupOptions& options = {}, QWidget* parent = nullptr);
    ~TMainForm() override;

    static constexpr const char* kOpenFilter =
        "Starcraft Map Files (*.scm, *.scx)|*.scm;*.scx|Scenario files (*.chk)|*.chk|All files|*";

    TGameData& Data() { return *m_data; }
    TOptionCommands& Options() { return m_options; }
    TNewCHKDLG* NewMapDialog() { return m_newMapDialog; }
    QMdiArea* Workspace() { return m_mdi; }

    // The map windows, in the order they were made, and the active one (or null).
    std::vector<TMapWindow*> MapWindows() const;
    TMapWindow* ActiveMapWindow() const;

    // Opens a map file (a name without a "." shows the new-map dialog instead). Returns the
    // new window, or null when nothing was opened; a failure is shown in one message. A file
    // that is open already (by any path to it) activates its window, which is returned. The map
    // loads on a thread of its own: when that takes longer than OpenProgressDelay, a progress
    // dialog shows, and its Cancel abandons the load (the window stays responsive).
    TMapWindow* OpenByName(const std::string& name);
    std::chrono::milliseconds OpenProgressDelay{500};
    // Runs on the loading thread before the map is read (tests hold a load there).
    std::function<void()> BeforeLoad;
    // A map window for a new scenario.
    TMapWindow* CreateNewMap(int terrainGroup, int tileset, int width, int height);

    // The file commands.
    void FileNew1Execute();
    void FileOpen1Execute();
    void FileClose1Execute();
    void FileSave1Execute();
    void FileSaveAs1Execute();
    void FileSaveAll1Execute();
    void SaveImage1Execute();
    void RecentFileClick(int index);
    // File, Game Data: shows the dialog (window-modal); OK stores the choice and loads it.
    void GameDataExecute();
    TGameDataDLG* GameDataDialog() { return m_gameDataDialog; }
    // Stores the settings.txt lines and loads the game data they name for maps opened from now on.
    void ApplyGameData(const std::vector<std::string>& entries);
    // Opens each file and puts those that opened into the recent files (File, Open after its dialog).
    void OpenFiles(const std::vector<std::string>& names);
    void RefreshRecentItems();
    void AboutClick();

    // Menu items by caption path, e.g. {"Display Options", "Show Grid"} (mnemonics ignored).
    QAction* FindAction(const std::vector<std::string>& path) const;
    QMenu* WindowsMenu() const { return m_windowsMenu; }
    std::array<QAction*, TRecentFileList::kCount> RecentItems{};
    QAction* RecentSeparator = nullptr;
    QToolBar* ToolBar1 = nullptr;
    std::array<QLabel*, 2> StatusPanels{};
    // The bar above the work area that says why the stand-in art is shown, with its button.
    QWidget* NoticeBar = nullptr;
    QLabel* NoticeText = nullptr;
    QPushButton* NoticeButton = nullptr;

    // Window arrangement: new map windows open inside the work area, cascaded from its
    // top-left corner (maximised while the active one is); Cascade gives each a useful size.
    void ArrangeCascade();
    static constexpr int kCascadeStep = 28;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Map files dropped on the window open as File, Open would open them.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenus();
    void BuildToolBar();
    QMdiSubWindow* AddMapWindow(TMapWindow* window, const std::string& caption);
    void ForwardToActive(const std::function<void(TMapWindow&)>& command);
    void RedrawAll();
    void UpdateCommandStates();
    void UpdateHistoryCommands();
    QList<QMdiSubWindow*> ShownSubWindows() const; // not minimised, in the order they were made
    void ArrangeTiled(bool horizontally);
    void ArrangeIcons();
    void UpdateNotice();
    void PlaceNewWindow(QMdiSubWindow* sub);
    void RestoreGeometry();
    void SaveGeometry();

    Prompter& m_prompter;
    GatePrompter m_loadPrompter; // what documents use: loads run off this thread
    std::shared_ptr<TGameData> m_data;
    std::shared_ptr<TTileClipboard> m_clipboard = std::make_shared<TTileClipboard>();
    // A map read on a loading thread: the document, or why it could not be opened.
    struct LoadedMap {
        std::shared_ptr<TGameData> data; // what it was read with
        std::unique_ptr<TMapDocument> document;
        std::string error;
        std::thread::id loader;
    };
    std::vector<std::future<LoadedMap>> m_abandonedLoads;
    TOptionCommands m_options;
    QMdiArea* m_mdi = nullptr;
    QMenu* m_windowsMenu = nullptr;
    TNewCHKDLG* m_newMapDialog = nullptr;
    TGameDataDLG* m_gameDataDialog = nullptr;
    int m_untitledCount = 0; // new maps are "Untitled 1", "Untitled 2", ...
    std::array<std::string, TRecentFileList::kCount> m_savedRecent; // as settings.ini has them
    QMdiSubWindow* m_lastActive = nullptr;
    std::array<QAction*, 3> m_placeItems{};
    std::vector<QAction*> m_mapCommands; // enabled only while a map is open
    QAction* m_undo = nullptr;
    QAction* m_redo = nullptr;
    std::array<QAction*, 3> m_encodingItems{}; // Korean, Western, UTF-8: the active map's text
};

} // namespace orv
