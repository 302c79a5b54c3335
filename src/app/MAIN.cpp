#include "app/MAIN.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>
#include <QVBoxLayout>

#include "app/AboutBox.h"
#include "app/Debugunit.h"
#include "app/GameDataDLG.h"
#include "scenario/CreateMapDLG.h"
#include "view/CHILDWIN.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace orv {
namespace {

QString Plain(QString text) {
    return text.remove('&');
}

QAction* AddItem(QMenu* menu, const QString& caption, const std::function<void()>& handler,
                 const QKeySequence& shortcut = {}, const QString& hint = {}) {
    QAction* action = menu->addAction(caption);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
    }
    if (!hint.isEmpty()) {
        action->setToolTip(hint);
        action->setStatusTip(hint);
    }
    if (handler) {
        QObject::connect(action, &QAction::triggered, menu, [handler] { handler(); });
    }
    return action;
}

QAction* AddCheck(QMenu* menu, const QString& caption, bool checked,
                  const std::function<void(QAction*)>& handler, const QString& hint = {}) {
    QAction* action = menu->addAction(caption);
    action->setCheckable(true);
    action->setChecked(checked);
    if (!hint.isEmpty()) {
        action->setToolTip(hint);
        action->setStatusTip(hint);
    }
    // The handler decides the check mark: undo Qt's own flip first.
    QObject::connect(action, &QAction::triggered, menu, [action, handler] {
        action->setChecked(!action->isChecked());
        handler(action);
    });
    return action;
}

} // namespace

TMainForm::TMainForm(Prompter& prompter, const StartupOptions& options, QWidget* parent)
    : QMainWindow(parent), m_prompter(prompter), m_loadPrompter(prompter),
      m_data(std::make_shared<TGameData>(prompter)), m_options(m_data->Options) {
    setObjectName("MainForm");
    setWindowTitle("Orvistad Beta 1.0");
    setAcceptDrops(true);
    RemoveStaleWorkingFolders(); // left by editors that were killed
    m_data->Load(options);
    RestoreGeometry();

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    NoticeBar = new QFrame(central);
    NoticeBar->setObjectName("NoticeBar");
    NoticeBar->setStyleSheet("#NoticeBar { background: #fff4c2; border-bottom: 1px solid #d8c36a; }");
    auto* noticeRow = new QHBoxLayout(NoticeBar);
    noticeRow->setContentsMargins(8, 3, 8, 3);
    NoticeText = new QLabel(NoticeBar);
    NoticeText->setTextFormat(Qt::PlainText);
    NoticeText->setStyleSheet("color: #3a3000;");
    NoticeButton = new QPushButton("Settings...", NoticeBar);
    connect(NoticeButton, &QPushButton::clicked, this, [this] { GameDataExecute(); });
    auto* dismiss = new QToolButton(NoticeBar);
    dismiss->setText("x");
    dismiss->setAutoRaise(true);
    dismiss->setToolTip("Hide this notice");
    connect(dismiss, &QToolButton::clicked, NoticeBar, &QWidget::hide);
    noticeRow->addWidget(NoticeText, 1);
    noticeRow->addWidget(NoticeButton);
    noticeRow->addWidget(dismiss);
    column->addWidget(NoticeBar);
    m_mdi = new QMdiArea(central);
    m_mdi->setObjectName("MDIArea");
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    column->addWidget(m_mdi, 1);
    setCentralWidget(central);
    UpdateNotice();
    connect(m_mdi, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* sub) {
        if (m_lastActive == sub) {
            return;
        }
        if (m_lastActive) {
            if (auto* old = dynamic_cast<TMapWindow*>(m_lastActive->widget())) {
                old->FormDeactivate();
            }
        }
        m_lastActive = sub;
        if (sub) {
            if (auto* now = dynamic_cast<TMapWindow*>(sub->widget())) {
                now->FormActivate();
            }
        }
        UpdateCommandStates();
    });

    BuildMenus();
    BuildToolBar();
    for (int i = 0; i < 2; ++i) {
        StatusPanels[static_cast<std::size_t>(i)] = new QLabel(this);
        if (i == 0) {
            StatusPanels[0]->setMinimumWidth(250); // the tile and what lies there
        } else {
            StatusPanels[1]->setMinimumWidth(160); // "Number of units: 1650"
        }
        statusBar()->addWidget(StatusPanels[static_cast<std::size_t>(i)]);
    }
    m_savedRecent = m_data->RecentFiles.Entries;
    RefreshRecentItems();
    UpdateCommandStates();

    m_newMapDialog = new TNewCHKDLG(m_prompter, this);
    m_newMapDialog->OnCreateMap = [this](int group, int tileset, int width, int height) {
        CreateNewMap(group, tileset, width, height);
    };
}

TMainForm::~TMainForm() {
    // Loads the user cancelled may still run: they use the game data.
    for (auto& load : m_abandonedLoads) {
        load.wait();
    }
    // The map windows go first: they use the game data. Closed ones whose deletion is still
    // pending are no longer listed by the work area, but are its children all the same.
    for (QMdiSubWindow* sub : m_mdi->findChildren<QMdiSubWindow*>()) {
        delete sub;
    }
    m_lastActive = nullptr;
    m_data->Shutdown();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    // A map window's title bar shows the map's full path as its tool tip.
    auto* sub = qobject_cast<QMdiSubWindow*>(watched);
    if (sub && event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        auto* window = dynamic_cast<TMapWindow*>(sub->widget());
        if (window && help->pos().y() < window->geometry().top()) {
            QToolTip::showText(help->globalPos(), QString::fromStdString(window->FullCaption()), sub);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::UpdateNotice() {
    NoticeText->setText(QString::fromStdString(m_data->Notice));
    NoticeBar->setVisible(!m_data->Notice.empty());
}

void TMainForm::GameDataExecute() {
    // Made afresh each time: it shows the settings as they are now.
    delete m_gameDataDialog;
    std::vector<std::string> install;
    if (!m_data->InstallPath.empty()) {
        install = GameArchiveList(m_data->InstallPath, {}, {});
    }
    m_gameDataDialog = new TGameDataDLG(m_prompter, install, ReadSettingsLines(m_data->SettingsTxtPath()),
                                        m_data->SettingsTxtPath().string(), this);
    connect(m_gameDataDialog, &QDialog::accepted, this,
            [this] { ApplyGameData(m_gameDataDialog->Entries()); });
    m_gameDataDialog->open();
}

void TMainForm::ApplyGameData(const std::vector<std::string>& entries) {
    const std::filesystem::path settings = m_data->SettingsTxtPath();
    if (Status written = WriteSettingsLines(settings, entries); !written) {
        m_prompter.ShowError("Could not save the game data settings: " + written.error());
        return;
    }
    DebugLog("Game data settings written to " + settings.string());
    // Open maps keep the data they were opened with; the next maps get the new one.
    auto fresh = std::make_shared<TGameData>(m_prompter, m_data->SharedOptions);
    StartupOptions options = m_data->Startup;
    options.standinOnly = false;
    fresh->Load(options);
    fresh->RecentFiles = m_data->RecentFiles;
    m_data->QuietShutdown = true;
    m_data = std::move(fresh);
    UpdateNotice();
    statusBar()->showMessage(m_data->UsingStandin ? "Game data saved; the stand-in art stays in use"
                                                  : "Game data loaded: maps opened from now on use it",
                             5000);
}

void TMainForm::RestoreGeometry() {
    // The window fits the screen it opens on, at the size and place the user left it.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 900);
    QRect wanted(available.topLeft() + QPoint(40, 30), QSize(1280, 900));
    const std::string saved = ReadIniValue(m_data->SettingsIniPath(), "Window", "Geometry");
    int x = 0, y = 0, w = 0, h = 0;
    if (std::sscanf(saved.c_str(), "%d,%d,%d,%d", &x, &y, &w, &h) == 4 && w > 200 && h > 150) {
        wanted = QRect(x, y, w, h);
    }
    wanted.setWidth(std::min(wanted.width(), available.width()));
    wanted.setHeight(std::min(wanted.height(), available.height()));
    wanted.moveLeft(std::clamp(wanted.left(), available.left(), available.right() - wanted.width() + 1));
    wanted.moveTop(std::clamp(wanted.top(), available.top(), available.bottom() - wanted.height() + 1));
    resize(wanted.size());
    move(wanted.topLeft());
    if (ReadIniValue(m_data->SettingsIniPath(), "Window", "Maximized") == "1") {
        setWindowState(windowState() | Qt::WindowMaximized);
    }
}

void TMainForm::SaveGeometry() {
    const QRect normal = isMaximized() ? normalGeometry() : geometry();
    const std::string text = std::to_string(normal.x()) + "," + std::to_string(normal.y()) + "," +
                             std::to_string(normal.width()) + "," + std::to_string(normal.height());
    if (!WriteIniValues(m_data->SettingsIniPath(), "Window",
                        {{"Geometry", text}, {"Maximized", isMaximized() ? "1" : "0"}})) {
        DebugLog("Could not write the window geometry to " + m_data->SettingsIniPath().string());
    }
}

void TMainForm::closeEvent(QCloseEvent* event) {
    DebugLog("FormClose of mainform...");
    // Every changed map is asked about before any window closes: Cancel in any question (or a
    // save that did not happen) keeps them all open and the program running.
    const std::vector<TMapWindow*> windows = MapWindows();
    for (TMapWindow* window : windows) {
        if (!window->CloseQuery()) {
            for (TMapWindow* asked : windows) {
                asked->CloseAnswered = false;
            }
            event->ignore();
            return;
        }
        window->CloseAnswered = true;
    }
    m_mdi->closeAllSubWindows();
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        if (sub->isVisible()) {
            event->ignore();
            return;
        }
    }
    SaveGeometry();
    QMainWindow::closeEvent(event);
}

void TMainForm::BuildMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    AddItem(
        file, "&New", [this] { FileNew1Execute(); }, QKeySequence("Ctrl+N"));
    AddItem(
        file, "&Open", [this] { FileOpen1Execute(); }, QKeySequence("Ctrl+O"));
    m_mapCommands.push_back(AddItem(file, "&Close", [this] { FileClose1Execute(); }));
    m_mapCommands.push_back(AddItem(
        file, "&Save", [this] { FileSave1Execute(); }, QKeySequence("Ctrl+S")));
    m_mapCommands.push_back(AddItem(file, "Save &As...", [this] { FileSaveAs1Execute(); }));
    m_mapCommands.push_back(AddItem(file, "Save All", [this] { FileSaveAll1Execute(); }));
    m_mapCommands.push_back(AddItem(file, "Save Image of Map", [this] { SaveImage1Execute(); }));
    file->addSeparator();
    AddItem(
        file, "&Game Data...", [this] { GameDataExecute(); }, {},
        "Where the artwork and rule tables come from: the game's folder or archives");
    RecentSeparator = file->addSeparator();
    RecentSeparator->setVisible(false);
    for (int i = 0; i < TRecentFileList::kCount; ++i) {
        QAction* item = AddItem(file, QString(), [this, i] { RecentFileClick(i); });
        item->setVisible(false);
        RecentItems[static_cast<std::size_t>(i)] = item;
    }
    file->addSeparator();
    AddItem(file, "E&xit", [this] { close(); });

    QMenu* edit = menuBar()->addMenu("&Edit");
    m_undo = AddItem(
        edit, "&Undo", [this] { ForwardToActive([](TMapWindow& w) { w.Undo(); }); }, QKeySequence::Undo);
    m_redo = AddItem(edit, "&Redo", [this] { ForwardToActive([](TMapWindow& w) { w.Redo(); }); });
    m_redo->setShortcuts({QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z")});

    QMenu* display = menuBar()->addMenu("&Display Options");
    QMenu* locations = display->addMenu("Locations");
    QMenu* shown = locations->addMenu("Display");
    const char* locationItems[] = {"Low ground", "Med ground",    "High ground",    "Low Air",     "Med Air",
                                   "High Air",   "Type 1 (Blue)", "Type 2 (Green)", "Type 3 (Red)"};
    for (int i = 0; i < TOptionCommands::kLocationItems; ++i) {
        AddCheck(shown, locationItems[i], true, [this, i](QAction* action) {
            m_options.ClickLocationItem(i);
            action->setChecked(m_options.LocationChecked(i));
            RedrawAll();
        });
    }
    const std::pair<const char*, TOptionCommands::Toggle> toggles[] = {
        {"Show Grid", TOptionCommands::Toggle::ShowGrid},
        {"Show Fine Grid", TOptionCommands::Toggle::ShowFineGrid},
        {"Display Unit Placability", TOptionCommands::Toggle::ShowPlacability},
        {"Show Creep", TOptionCommands::Toggle::ShowCreep},
        {"Use MMX", TOptionCommands::Toggle::UseMMX},
    };
    for (const auto& [caption, toggle] : toggles) {
        const TOptionCommands::Toggle which = toggle;
        AddCheck(display, caption, m_options.Checked(which), [this, which](QAction* action) {
            action->setChecked(m_options.Flip(which));
            RedrawAll();
        });
    }
    // The active map's text: the code page its strings are shown in, and the encoding new
    // text is written in. Each window keeps its own.
    QMenu* encoding = display->addMenu("Text Encoding");
    m_mapCommands.push_back(encoding->menuAction());
    const std::array<std::pair<const char*, const char*>, 3> encodings{{
        {"Korean (CP949)", "Show the map's strings in the Korean code page and write new text in it"},
        {"Western (Windows-1252)",
         "Show the map's strings in the Western code page and write new text in it"},
        {"UTF-8 for new text",
         "Write new text as UTF-8, which the current game reads (the original game does not)"},
    }};
    for (std::size_t i = 0; i < encodings.size(); ++i) {
        m_encodingItems[i] = AddCheck(
            encoding, encodings[i].first, false,
            [this, i](QAction*) {
                ForwardToActive([i](TMapWindow& w) { w.ChooseTextEncoding(static_cast<TextEncoding>(i)); });
                UpdateCommandStates();
            },
            encodings[i].second);
    }

    QMenu* placing = menuBar()->addMenu("&Unit Placing");
    const char* gridItems[] = {"Align to 32x32 grid", "Align to 16x16 grid", "No Grid"};
    for (bool buildings : {true, false}) {
        QMenu* sub = placing->addMenu(buildings ? "Buildings" : "Units");
        auto* group = new QActionGroup(sub);
        group->setExclusive(true);
        const TOptionCommands::Grid current = buildings ? m_options.BuildingGrid() : m_options.UnitGrid();
        for (int i = 0; i < 3; ++i) {
            const auto grid = static_cast<TOptionCommands::Grid>(i);
            QAction* item = sub->addAction(gridItems[i]);
            item->setCheckable(true);
            item->setChecked(grid == current);
            group->addAction(item);
            if (grid == current) {
                sub->setDefaultAction(item);
            }
            connect(item, &QAction::triggered, sub, [this, sub, item, grid, buildings] {
                item->setChecked(true);
                sub->setDefaultAction(item);
                if (buildings) {
                    m_options.SetBuildingGrid(grid);
                } else {
                    m_options.SetUnitGrid(grid);
                }
            });
        }
    }
    QMenu* place = placing->addMenu("Place Mode");
    const std::array<QString, 3> placeHints{QString(), "Ignore terrain restrictions", "Overlap other units"};
    const std::array<const char*, 3> placeCaptions{"Classic Staredit", "Anywhere", "Overlapping"};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto which = static_cast<TOptionCommands::Place>(i);
        m_placeItems[i] = AddCheck(
            place, placeCaptions[i], i == 0,
            [this, place, which](QAction*) {
                m_options.ClickPlace(which);
                for (std::size_t k = 0; k < 3; ++k) {
                    m_placeItems[k]->setChecked(
                        m_options.PlaceChecked(static_cast<TOptionCommands::Place>(k)));
                }
                const auto def = m_options.PlaceDefault();
                place->setDefaultAction(def == TOptionCommands::Place::NoDefault
                                            ? nullptr
                                            : m_placeItems[static_cast<std::size_t>(def)]);
            },
            placeHints[i]);
    }
    place->setDefaultAction(m_placeItems[0]);

    QMenu* misc = menuBar()->addMenu("&Misc Tools");
    QMenu* fog = misc->addMenu("Fog");
    m_mapCommands.push_back(fog->menuAction());
    AddItem(fog, "All ON for curplayer", [this] { ForwardToActive([](TMapWindow& w) { w.FogAllOn(); }); });
    AddItem(fog, "All OFF for curplayer", [this] { ForwardToActive([](TMapWindow& w) { w.FogAllOff(); }); });
    QMenu* revealers = misc->addMenu("Map Revealers");
    m_mapCommands.push_back(revealers->menuAction());
    for (int n = 1; n <= 8; ++n) {
        AddItem(revealers, QString("Add for player %1").arg(n),
                [this, n] { ForwardToActive([n](TMapWindow& w) { w.AddMapRevealers(n); }); });
    }
    QAction* properties = AddItem(
        misc, "Properties", [this] { ForwardToActive([](TMapWindow& w) { w.EditScenarioProperties(); }); });
    properties->setToolTip("Map Properties");
    m_mapCommands.push_back(properties);

    QMenu* window = menuBar()->addMenu("&Window");
    m_windowsMenu = window->addMenu("Windows");
    window->addSeparator();
    AddItem(window, "&Cascade", [this] { ArrangeCascade(); });
    AddItem(window, "Tile &Horizontally", [this] { ArrangeTiled(true); });
    AddItem(window, "Tile &Vertically", [this] { ArrangeTiled(false); });
    AddItem(window, "&Minimize All", [this] {
        for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
            sub->showMinimized();
        }
    });
    AddItem(window, "&Arrange All", [this] { ArrangeIcons(); });
    window->addSeparator();
    m_mapCommands.push_back(AddItem(
        window, "&Next Map", [this] { m_mdi->activateNextSubWindow(); }, QKeySequence("Ctrl+F6")));
    m_mapCommands.push_back(AddItem(
        window, "&Previous Map", [this] { m_mdi->activatePreviousSubWindow(); },
        QKeySequence("Ctrl+Shift+F6")));
    m_mapCommands.push_back(AddItem(
        window, "Close &Map", [this] { FileClose1Execute(); }, QKeySequence("Ctrl+F4")));

    QMenu* help = menuBar()->addMenu("&Help");
    AddItem(help, "&About...", [this] { AboutClick(); });
}

void TMainForm::BuildToolBar() {
    ToolBar1 = addToolBar("Tools");
    ToolBar1->setObjectName("ToolBar1");
    QStyle* s = style();
    auto add = [&](QStyle::StandardPixmap icon, const QString& hint, const std::function<void()>& handler) {
        QAction* action = ToolBar1->addAction(s->standardIcon(icon), hint);
        action->setToolTip(hint);
        action->setStatusTip(hint);
        connect(action, &QAction::triggered, this, [handler] { handler(); });
        return action;
    };
    add(QStyle::SP_FileIcon, "New", [this] { FileNew1Execute(); });
    add(QStyle::SP_DialogOpenButton, "Open", [this] { FileOpen1Execute(); });
    m_mapCommands.push_back(add(QStyle::SP_DialogSaveButton, "Save", [this] { FileSave1Execute(); }));
    m_mapCommands.push_back(add(QStyle::SP_DriveHDIcon, "Save All", [this] { FileSaveAll1Execute(); }));
    m_mapCommands.push_back(
        add(QStyle::SP_DesktopIcon, "Save JPEG image of map", [this] { SaveImage1Execute(); }));
    ToolBar1->addSeparator();
    QAction* undo =
        add(QStyle::SP_ArrowBack, "Undo", [this] { ForwardToActive([](TMapWindow& w) { w.Undo(); }); });
    QAction* redo =
        add(QStyle::SP_ArrowForward, "Redo", [this] { ForwardToActive([](TMapWindow& w) { w.Redo(); }); });
    // The buttons follow the menu items.
    for (const auto& [button, item] : {std::pair{undo, m_undo}, std::pair{redo, m_redo}}) {
        QAction* const shown = button;
        connect(item, &QAction::changed, shown,
                [shown, source = item] { shown->setEnabled(source->isEnabled()); });
        shown->setEnabled(item->isEnabled());
    }
    ToolBar1->addSeparator();
    add(QStyle::SP_TitleBarNormalButton, "Cascade", [this] { ArrangeCascade(); });
    add(QStyle::SP_ToolBarHorizontalExtensionButton, "Tile Horizontally", [this] { ArrangeTiled(true); });
    add(QStyle::SP_ToolBarVerticalExtensionButton, "Tile Vertically", [this] { ArrangeTiled(false); });
    ToolBar1->addSeparator();
    ToolBar1->addWidget(new QLabel("  ", ToolBar1));
    m_mapCommands.push_back(add(QStyle::SP_FileDialogDetailedView, "Map Properties", [this] {
        ForwardToActive([](TMapWindow& w) { w.EditScenarioProperties(); });
    }));
}

QAction* TMainForm::FindAction(const std::vector<std::string>& path) const {
    QList<QAction*> actions = menuBar()->actions();
    QAction* found = nullptr;
    for (const std::string& step : path) {
        found = nullptr;
        for (QAction* action : actions) {
            if (Plain(action->text()) == Plain(QString::fromStdString(step))) {
                found = action;
                break;
            }
        }
        if (!found) {
            return nullptr;
        }
        actions = found->menu() ? found->menu()->actions() : QList<QAction*>();
    }
    return found;
}

std::vector<TMapWindow*> TMainForm::MapWindows() const {
    std::vector<TMapWindow*> out;
    for (QMdiSubWindow* sub : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
        if (auto* window = dynamic_cast<TMapWindow*>(sub->widget())) {
            out.push_back(window);
        }
    }
    return out;
}

TMapWindow* TMainForm::ActiveMapWindow() const {
    QMdiSubWindow* sub = m_mdi->currentSubWindow();
    return sub ? dynamic_cast<TMapWindow*>(sub->widget()) : nullptr;
}

void TMainForm::ForwardToActive(const std::function<void(TMapWindow&)>& command) {
    if (TMapWindow* window = ActiveMapWindow()) {
        command(*window);
    }
}

void TMainForm::UpdateCommandStates() {
    // Commands that act on a map are offered only while one is open.
    const bool anyMap = !MapWindows().empty();
    for (QAction* command : m_mapCommands) {
        command->setEnabled(anyMap);
    }
    QMdiSubWindow* active = m_mdi->activeSubWindow();
    for (QAction* item : m_windowsMenu->actions()) {
        item->setChecked(active && item->data().value<QObject*>() == active);
    }
    TMapWindow* window = ActiveMapWindow();
    const std::optional<TextEncoding> write = window ? window->Text().WriteEncoding() : std::nullopt;
    for (std::size_t i = 0; i < m_encodingItems.size(); ++i) {
        m_encodingItems[i]->setChecked(write == static_cast<TextEncoding>(i));
    }
    UpdateHistoryCommands();
}

void TMainForm::UpdateHistoryCommands() {
    // The items name the step they undo or redo ("Undo Fog of War").
    TMapWindow* window = ActiveMapWindow();
    const std::string undo = window ? window->History().UndoName() : std::string();
    const std::string redo = window ? window->History().RedoName() : std::string();
    m_undo->setEnabled(!undo.empty());
    m_undo->setText(QString::fromStdString(undo.empty() ? "&Undo" : "&Undo " + undo));
    m_redo->setEnabled(!redo.empty());
    m_redo->setText(QString::fromStdString(redo.empty() ? "&Redo" : "&Redo " + redo));
}

void TMainForm::RedrawAll() {
    for (TMapWindow* window : MapWindows()) {
        window->View().RedrawRequest = true;
    }
}

QMdiSubWindow* TMainForm::AddMapWindow(TMapWindow* window, const std::string& caption) {
    QMdiSubWindow* sub = m_mdi->addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    // Tiles copied in one map can be pasted into any other of the same tileset.
    window->Tools().ShareClipboard(m_clipboard);
    window->SetCaption(caption);
    PlaceNewWindow(sub);
    sub->installEventFilter(this); // the title bar's tool tip
    // The "Windows" menu lists the window while it is open and activates it.
    QAction* item = m_windowsMenu->addAction(QString::fromStdString(caption));
    item->setCheckable(true); // the active map's item is checked
    item->setData(QVariant::fromValue(static_cast<QObject*>(sub)));
    connect(item, &QAction::triggered, sub, [this, sub] {
        if (sub->isMinimized()) {
            sub->showNormal();
        }
        m_mdi->setActiveSubWindow(sub);
    });
    connect(sub, &QObject::destroyed, m_windowsMenu, [this, item, sub] {
        m_windowsMenu->removeAction(item);
        item->deleteLater();
        if (m_lastActive == sub) {
            m_lastActive = nullptr;
        }
        QTimer::singleShot(0, this, [this] { UpdateCommandStates(); }); // once the window is gone
    });
    window->OnCaptionChange = [item](const std::string& text) {
        item->setText(QString::fromStdString(text));
    };
    window->OnHistoryChange = [this] { UpdateHistoryCommands(); };
    window->OnNotice = [this](const std::string& text) {
        statusBar()->showMessage(QString::fromStdString(text), 5000);
    };
    window->OnStatus = [this](int panel, const std::string& text) {
        if (panel >= 0 && panel < static_cast<int>(StatusPanels.size())) {
            StatusPanels[static_cast<std::size_t>(panel)]->setText(QString::fromStdString(text));
        }
    };
    sub->show();
    m_mdi->setActiveSubWindow(sub);
    return sub;
}

TMapWindow* TMainForm::OpenByName(const std::string& name) {
    if (name.find('.') == std::string::npos) {
        m_newMapDialog->show();
        m_newMapDialog->raise();
        return nullptr;
    }
    // A map that is open already gets its window back rather than a second working copy.
    for (QMdiSubWindow* sub : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
        auto* window = dynamic_cast<TMapWindow*>(sub->widget());
        std::error_code error;
        if (window && !window->Document().FileName.empty() &&
            std::filesystem::equivalent(name, window->Document().FileName, error) && !error) {
            if (sub->isMinimized()) {
                sub->showNormal();
            }
            m_mdi->setActiveSubWindow(sub);
            return window;
        }
    }
    // The map is read on a thread of its own, so a slow load never freezes the window.
    auto load = std::async(std::launch::async, [this, name, before = BeforeLoad, data = m_data] {
        LoadedMap loaded;
        loaded.data = data;
        loaded.loader = std::this_thread::get_id();
        if (before) {
            before();
        }
        auto opened = TMapDocument::Open(name, *data, m_loadPrompter);
        if (opened) {
            loaded.document = std::move(opened).value();
        } else {
            loaded.error = opened.error();
        }
        return loaded;
    });
    if (load.wait_for(OpenProgressDelay) != std::future_status::ready) {
        QProgressDialog progress(QString::fromStdString("Opening " + name + "..."), "Cancel", 0, 0, this);
        progress.setWindowTitle("Orvistad");
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(0);
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (progress.wasCanceled() ||
                load.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready) {
                loop.quit();
            }
        });
        QObject::connect(&progress, &QProgressDialog::canceled, &loop, &QEventLoop::quit);
        poll.start(15);
        progress.show();
        loop.exec();
        if (progress.wasCanceled()) {
            // Cancelled: the load finishes on its own and is thrown away.
            m_abandonedLoads.push_back(std::move(load));
            return nullptr;
        }
    }
    LoadedMap loaded = load.get();
    for (const std::string& message : m_loadPrompter.TakeMessages(loaded.loader)) {
        m_prompter.ShowMessage(message);
    }
    if (!loaded.document) {
        m_prompter.ShowError(loaded.error);
        return nullptr;
    }
    auto* window = new TMapWindow(std::move(loaded.document), loaded.data, m_prompter);
    AddMapWindow(window, name);
    return window;
}

TMapWindow* TMainForm::CreateNewMap(int terrainGroup, int tileset, int width, int height) {
    auto document = TMapDocument::NewMap(terrainGroup, tileset, width, height, *m_data, m_loadPrompter);
    auto* window = new TMapWindow(std::move(document), m_data, m_prompter);
    AddMapWindow(window, "Untitled " + std::to_string(++m_untitledCount));
    return window;
}

void TMainForm::FileNew1Execute() {
    OpenByName("NONAME" + std::to_string(MapWindows().size() + 1));
}

void TMainForm::FileOpen1Execute() {
    OpenFiles(m_prompter.ChooseFilesToOpen("Open", kOpenFilter));
}

void TMainForm::OpenFiles(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        // Only maps that opened go into the recent files.
        if (OpenByName(name)) {
            m_data->RecentFiles.Add(name);
        }
    }
    RefreshRecentItems();
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void TMainForm::dropEvent(QDropEvent* event) {
    std::vector<std::string> names;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            names.push_back(url.toLocalFile().toStdString());
        }
    }
    if (!names.empty()) {
        event->acceptProposedAction();
        OpenFiles(names);
    }
}

void TMainForm::RecentFileClick(int index) {
    const std::string name = m_data->RecentFiles.Entries[static_cast<std::size_t>(index)];
    if (name.empty()) {
        return;
    }
    if (OpenByName(name)) {
        m_data->RecentFiles.Add(name);
    } else if (std::error_code error; !std::filesystem::exists(name, error) && !error) {
        m_data->RecentFiles.Remove(name); // gone: its message said so, and it leaves the list
    }
    RefreshRecentItems();
}

void TMainForm::RefreshRecentItems() {
    // Every change to the list reaches settings.ini at once, so the next run lists it too.
    if (m_data->RecentFiles.Entries != m_savedRecent) {
        if (!m_data->RecentFiles.Save(m_data->SettingsIniPath())) {
            DebugLog("Could not write the recent files to " + m_data->SettingsIniPath().string());
        }
        m_savedRecent = m_data->RecentFiles.Entries;
    }
    for (int i = 0; i < TRecentFileList::kCount; ++i) {
        const std::string& entry = m_data->RecentFiles.Entries[static_cast<std::size_t>(i)];
        QAction* item = RecentItems[static_cast<std::size_t>(i)];
        item->setText(QString::fromStdString(entry));
        item->setVisible(!entry.empty());
    }
    RecentSeparator->setVisible(true);
}

void TMainForm::FileClose1Execute() {
    if (QMdiSubWindow* sub = m_mdi->currentSubWindow()) {
        sub->close();
    }
}

void TMainForm::FileSave1Execute() {
    ForwardToActive([](TMapWindow& w) { w.Save(false); });
}

void TMainForm::FileSaveAs1Execute() {
    ForwardToActive([this](TMapWindow& w) {
        if (w.Save(true)) {
            m_data->RecentFiles.Add(w.Document().FileName);
            RefreshRecentItems();
        }
    });
}

void TMainForm::FileSaveAll1Execute() {
    for (TMapWindow* window : MapWindows()) {
        window->Save(false);
    }
}

void TMainForm::SaveImage1Execute() {
    ForwardToActive([](TMapWindow& w) { w.GenerateImage(); });
}

void TMainForm::AboutClick() {
    TAboutBox about(this);
    about.exec();
}

QList<QMdiSubWindow*> TMainForm::ShownSubWindows() const {
    QList<QMdiSubWindow*> subs;
    for (QMdiSubWindow* sub : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
        if (!sub->isMinimized()) {
            subs.push_back(sub);
        }
    }
    return subs;
}

void TMainForm::ArrangeTiled(bool horizontally) {
    const QList<QMdiSubWindow*> subs = ShownSubWindows();
    if (subs.isEmpty()) {
        return;
    }
    const QSize area = m_mdi->viewport()->size();
    const int n = static_cast<int>(subs.size());
    for (int i = 0; i < n; ++i) {
        subs[i]->showNormal();
        if (horizontally) { // one above the other, each the full width
            const int h = area.height() / n;
            subs[i]->setGeometry(0, i * h, area.width(), h);
        } else { // side by side, each the full height
            const int w = area.width() / n;
            subs[i]->setGeometry(i * w, 0, w, area.height());
        }
    }
}

namespace {

// The size a cascaded window gets: most of the work area, never below a usable minimum.
QSize CascadeSize(QSize area, int windows, int step) {
    const int shift = step * std::min(windows - 1, 6);
    return {std::max(480, std::min(TMapWindow::kDesignWidth, area.width() - shift)),
            std::max(360, std::min(TMapWindow::kDesignHeight, area.height() - shift))};
}

// How many steps of the cascade fit windows of `size` in the area; the cascade starts again
// at the top-left after them.
int CascadeSlots(QSize area, QSize size, int step) {
    return std::max(
        1, 1 + std::min((area.width() - size.width()) / step, (area.height() - size.height()) / step));
}

} // namespace

void TMainForm::PlaceNewWindow(QMdiSubWindow* sub) {
    QMdiSubWindow* active = m_mdi->activeSubWindow();
    if (active && active != sub && active->isMaximized()) {
        sub->showMaximized();
        return;
    }
    // The next step of the cascade that fits: windows that are open count, and the cascade
    // starts again at the top-left once a window would reach past the work area.
    const QSize area = m_mdi->viewport()->size();
    const int open = static_cast<int>(m_mdi->subWindowList().size());
    const QSize size = CascadeSize(area, std::max(1, std::min(open, 4)), kCascadeStep);
    const int slot = (open - 1) % CascadeSlots(area, size, kCascadeStep);
    sub->resize(size);
    sub->move(slot * kCascadeStep, slot * kCascadeStep);
}

void TMainForm::ArrangeCascade() {
    const QList<QMdiSubWindow*> subs = ShownSubWindows();
    if (subs.isEmpty()) {
        return;
    }
    const QSize area = m_mdi->viewport()->size();
    const QSize size = CascadeSize(area, static_cast<int>(subs.size()), kCascadeStep);
    const int fits = CascadeSlots(area, size, kCascadeStep);
    for (int i = 0; i < subs.size(); ++i) {
        subs[i]->showNormal();
        const int slot = i % fits;
        subs[i]->setGeometry(slot * kCascadeStep, slot * kCascadeStep, size.width(), size.height());
        subs[i]->raise();
    }
    m_mdi->setActiveSubWindow(subs.back());
}

void TMainForm::ArrangeIcons() {
    // Minimised windows line up along the bottom of the workspace.
    int x = 0;
    const int bottom = m_mdi->viewport()->height();
    for (QMdiSubWindow* sub : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
        if (sub->isMinimized()) {
            sub->move(x, bottom - sub->height());
            x += sub->width();
        }
    }
}

} // namespace orv
