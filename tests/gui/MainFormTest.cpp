#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>

#include "app/Debugunit.h"
#include "app/MapSave.h"
#include "base/Random.h"
#include "graphics/OrvistadTypes.h"
#include "gui/EditorFixture.h"
#include "scenario/CreateMapDLG.h"
#include "view/PaintBoxEx.h"

#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace orv::test {

namespace {

std::vector<std::string> MenuCaptions(QMenu* menu) {
    std::vector<std::string> out;
    for (QAction* a : menu->actions()) {
        out.push_back(a->isSeparator() ? "-" : a->text().toStdString());
    }
    return out;
}

QMenu* Menu(const Editor& e, const std::vector<std::string>& path) {
    QAction* a = e.form->FindAction(path);
    return a ? a->menu() : nullptr;
}

TEST(MainForm, StartsOnTheStandinDataWithItsMenus) {
    Editor e;
    EXPECT_TRUE(e.form->Data().UsingStandin);
    EXPECT_EQ(e.form->windowTitle().toStdString(), "Orvistad Beta 1.0");
    std::vector<std::string> bar;
    for (QAction* a : e.form->menuBar()->actions()) {
        bar.push_back(a->text().toStdString());
    }
    EXPECT_EQ(bar, (std::vector<std::string>{"&File", "&Edit", "&Display Options", "&Unit Placing",
                                             "&Misc Tools", "&Window", "&Help"}));
    const auto file = MenuCaptions(Menu(e, {"&File"}));
    ASSERT_EQ(file.size(), 17u);
    EXPECT_EQ(std::vector<std::string>(file.begin(), file.begin() + 10),
              (std::vector<std::string>{"&New", "&Open", "&Close", "&Save", "Save &As...", "Save All",
                                        "Save Image of Map", "-", "&Game Data...", "-"}));
    EXPECT_EQ(file[15], "-");
    EXPECT_EQ(file[16], "E&xit");
    EXPECT_EQ(e.Action({"&File", "&New"})->shortcut(), QKeySequence("Ctrl+N"));
    EXPECT_EQ(e.Action({"&File", "&Open"})->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(e.Action({"&File", "&Save"})->shortcut(), QKeySequence("Ctrl+S"));
    for (QAction* item : e.form->RecentItems) {
        EXPECT_FALSE(item->isVisible()); // no settings.ini: nothing recent
    }

    EXPECT_EQ(MenuCaptions(Menu(e, {"Display Options", "Locations", "Display"})),
              (std::vector<std::string>{"Low ground", "Med ground", "High ground", "Low Air", "Med Air",
                                        "High Air", "Type 1 (Blue)", "Type 2 (Green)", "Type 3 (Red)"}));
    for (QAction* a : Menu(e, {"Display Options", "Locations", "Display"})->actions()) {
        EXPECT_TRUE(a->isCheckable() && a->isChecked()) << a->text().toStdString();
    }
    const std::vector<std::pair<std::string, bool>> display = {{"Show Grid", false},
                                                               {"Show Fine Grid", false},
                                                               {"Display Unit Placability", true},
                                                               {"Show Creep", true},
                                                               {"Use MMX", false}};
    for (const auto& [caption, checked] : display) {
        EXPECT_EQ(e.Action({"Display Options", caption})->isChecked(), checked) << caption;
    }
    QMenu* buildings = Menu(e, {"Unit Placing", "Buildings"});
    QMenu* units = Menu(e, {"Unit Placing", "Units"});
    EXPECT_EQ(MenuCaptions(buildings),
              (std::vector<std::string>{"Align to 32x32 grid", "Align to 16x16 grid", "No Grid"}));
    EXPECT_EQ(buildings->defaultAction()->text().toStdString(), "Align to 32x32 grid");
    EXPECT_TRUE(buildings->defaultAction()->isChecked());
    EXPECT_EQ(units->defaultAction()->text().toStdString(), "No Grid");
    QMenu* place = Menu(e, {"Unit Placing", "Place Mode"});
    EXPECT_EQ(MenuCaptions(place), (std::vector<std::string>{"Classic Staredit", "Anywhere", "Overlapping"}));
    EXPECT_EQ(place->defaultAction()->text().toStdString(), "Classic Staredit");
    EXPECT_EQ(e.Action({"Unit Placing", "Place Mode", "Anywhere"})->statusTip().toStdString(),
              "Ignore terrain restrictions");
    EXPECT_EQ(e.Action({"Unit Placing", "Place Mode", "Overlapping"})->statusTip().toStdString(),
              "Overlap other units");

    EXPECT_EQ(MenuCaptions(Menu(e, {"Misc Tools"})),
              (std::vector<std::string>{"Fog", "Map Revealers", "Properties"}));
    EXPECT_EQ(MenuCaptions(Menu(e, {"Misc Tools", "Fog"})),
              (std::vector<std::string>{"All ON for curplayer", "All OFF for curplayer"}));
    EXPECT_EQ(MenuCaptions(Menu(e, {"Misc Tools", "Map Revealers"})).size(), 8u);
    EXPECT_EQ(MenuCaptions(Menu(e, {"Misc Tools", "Map Revealers"})).back(), "Add for player 8");
    EXPECT_EQ(MenuCaptions(Menu(e, {"&Window"})),
              (std::vector<std::string>{"Windows", "-", "&Cascade", "Tile &Horizontally", "Tile &Vertically",
                                        "&Minimize All", "&Arrange All", "-", "&Next Map", "&Previous Map",
                                        "Close &Map"}));
    EXPECT_EQ(MenuCaptions(Menu(e, {"&Help"})), (std::vector<std::string>{"&About..."}));

    std::vector<std::string> tools;
    for (QAction* a : e.form->ToolBar1->actions()) {
        tools.push_back(a->isSeparator() ? "-" : a->toolTip().toStdString());
    }
    ASSERT_EQ(tools.size(), 15u);
    EXPECT_EQ(tools[3], "Save All");
    EXPECT_EQ(tools[4], "Save JPEG image of map");
    EXPECT_EQ(tools[5], "-");
    EXPECT_EQ(tools[6], "Undo");
    EXPECT_EQ(tools[7], "Redo");
    EXPECT_EQ(tools[8], "-");
    EXPECT_EQ(tools[12], "-");
    EXPECT_EQ(tools[14], "Map Properties");
    EXPECT_EQ(e.form->StatusPanels[0]->width(), 250);
    // The second panel holds "Number of units: 1650" whole.
    EXPECT_GE(e.form->StatusPanels[1]->width(),
              e.form->StatusPanels[1]->fontMetrics().horizontalAdvance("Number of units: 1650"));
    EXPECT_EQ(std::string(TMainForm::kOpenFilter),
              "Starcraft Map Files (*.scm, *.scx)|*.scm;*.scx|Scenario files (*.chk)|*.chk|All files|*");
}

TEST(MainForm, StartUpAndShutdownAreLogged) {
    TempDir logDir;
    const std::string log = logDir.file("debug.txt");
    setenv("ORVISTAD_DEBUG_LOG", log.c_str(), 1);
    {
        Editor e;
        e.form->close();
    }
    unsetenv("ORVISTAD_DEBUG_LOG");
    std::ifstream in(log);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const char* inOrder[] = {"Starting program, extracrting files",
                             "Images Dat",
                             "Load GRPS",
                             "End of Creation",
                             "FormClose of mainform...",
                             "Start of killing main form",
                             "End of closing main form"};
    std::size_t at = 0;
    for (const char* line : inOrder) {
        const auto found = text.find(line, at);
        ASSERT_NE(found, std::string::npos) << line;
        at = found;
    }
}

TEST(MainForm, OpensOurMapIntoAWindowListedUnderWindows) {
    Editor e;
    TMapWindow* w = e.OpenOurMap();
    const std::string map = e.dir.file("ours.scx");
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(e.prompter.messages.empty());
    EXPECT_EQ(w->windowTitle().toStdString(), "ours.scx"); // the full path is the title's tool tip
    EXPECT_EQ(w->FullCaption(), map);
    EXPECT_EQ(e.WindowsMenuItems(), std::vector<std::string>{map});
    EXPECT_EQ(e.form->Data().RecentFiles.Entries[0], map);
    EXPECT_TRUE(e.form->RecentItems[0]->isVisible());
    EXPECT_EQ(e.form->RecentItems[0]->text().toStdString(), map);
    EXPECT_TRUE(e.form->RecentSeparator->isVisible());
    EXPECT_EQ(
        e.prompter.fileQuestions.back(),
        "Open [Starcraft Map Files (*.scm, *.scx)|*.scm;*.scx|Scenario files (*.chk)|*.chk|All files|*]");
    // The window's components as they start.
    EXPECT_EQ(w->Mode->currentText().toStdString(), "Terrain");
    EXPECT_EQ(w->Brush_Shape->currentText().toStdString(), "Normal");
    EXPECT_EQ(w->Brush_Size->currentText().toStdString(), "Small");
    EXPECT_EQ(w->Zoom_Lvl->count(), 6);
    EXPECT_EQ(w->Zoom_Lvl->currentIndex(), 2);
    EXPECT_EQ(w->Zoom_Lvl->currentText().toStdString(), "100%");
    EXPECT_EQ(w->CurPlayer->count(), 12);
    EXPECT_EQ(w->CurPlayer->itemText(11).toStdString(), "Player 12");
    // The terrains, then the unit groups named by the unit table.
    ASSERT_GT(w->UnitSelect->topLevelItemCount(), 1);
    EXPECT_EQ(w->UnitSelect->topLevelItem(1)->text(0).toStdString(), "Ground Units");
    EXPECT_EQ(w->UnitSelect->topLevelItem(0)->text(0).toStdString(), "Terrain");
    EXPECT_EQ(w->UnitSelect->topLevelItem(0)->child(0)->text(0).toStdString(), "Water");
    EXPECT_EQ(w->MiniMapPB->geometry(), QRect(5, 8, 128, 125));
    EXPECT_EQ(w->Timer1->interval(), 20);
    EXPECT_TRUE(w->Timer1->isActive());
    // The first tick renders the map and puts it on screen (the timer may have run it already
    // on a busy machine).
    w->Timer1->stop();
    w->Timer1Timer();
    EXPECT_EQ(w->View().FullRenders, 1);
    QApplication::processEvents();
    EXPECT_GT(w->PaintCount, 0);
    EXPECT_EQ(w->Timer1Timer(), CMapView::Tick::Idle);
}

TEST(MainForm, OpensACorpusMap) {
    ORV_REQUIRE_CORPUS();
    Editor e;
    const std::string map = (CorpusDir() / "lost_temple.scm").string();
    e.Open({map});
    ASSERT_NE(e.Active(), nullptr) << (e.prompter.messages.empty() ? "" : e.prompter.messages[0]);
    EXPECT_EQ(e.Active()->Scenario().Width, 128);
    // Drawn in full by the first refresh tick (which may already have run while it opened).
    e.Active()->Timer1Timer();
    EXPECT_GT(e.Active()->View().FullRenders, 0);
}

TEST(MainForm, EveryCorpusMapOpensOrSaysWhyAndRenders) {
    ORV_REQUIRE_CORPUS();
    Editor e;
    const auto maps = CorpusArchives();
    std::size_t opened = 0;
    for (const auto& path : maps) {
        e.prompter.messages.clear();
        e.Open({path.string()});
        TMapWindow* w = e.Active();
        if (!w || w->Document().FileName != path.string()) {
            ASSERT_FALSE(e.prompter.messages.empty()) << path;
            EXPECT_TRUE(e.prompter.messages.back().starts_with("Cannot open " + path.string() + ": "));
            continue;
        }
        ++opened;
        w->SetDisplaySize(800, 600);
        EXPECT_EQ(w->Timer1Timer(), CMapView::Tick::Full) << path;
        w->JumpToPOS(127, 127);
        w->Zoom_Lvl->setCurrentIndex(0);
        EXPECT_EQ(w->Timer1Timer(), CMapView::Tick::Full) << path;
        e.Trigger({"&File", "&Close"});
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_GE(opened + 2, maps.size()); // only the two damaged archives refuse
}

TEST(MainForm, MapCommandsWaitForAMapAndTheWindowsMenuMarksTheActiveOne) {
    Editor e;
    const std::vector<std::vector<std::string>> commands = {{"&File", "&Close"},
                                                            {"&File", "&Save"},
                                                            {"&File", "Save &As..."},
                                                            {"&File", "Save All"},
                                                            {"&File", "Save Image of Map"},
                                                            {"Misc Tools", "Fog"},
                                                            {"Misc Tools", "Map Revealers"},
                                                            {"&Window", "Close &Map"}};
    auto enabled = [&] {
        std::size_t on = 0;
        for (const auto& path : commands)
            on += e.Action(path)->isEnabled();
        return on;
    };
    EXPECT_EQ(enabled(), 0u);
    const std::string a = e.dir.file("a.scx"), b = e.dir.file("b.scx");
    WriteOurMap(a);
    WriteOurMap(b);
    e.Open({a, b});
    EXPECT_EQ(enabled(), commands.size());
    auto checked = [&] {
        std::vector<std::string> out;
        for (QAction* item : e.form->WindowsMenu()->actions()) {
            if (item->isChecked())
                out.push_back(item->text().toStdString());
        }
        return out;
    };
    EXPECT_EQ(checked(), std::vector<std::string>{b});
    // Ctrl+F6 goes to the next map, Ctrl+Shift+F6 back, Ctrl+F4 closes the active one.
    EXPECT_EQ(e.Action({"&Window", "&Next Map"})->shortcut(), QKeySequence("Ctrl+F6"));
    EXPECT_EQ(e.Action({"&Window", "&Previous Map"})->shortcut(), QKeySequence("Ctrl+Shift+F6"));
    EXPECT_EQ(e.Action({"&Window", "Close &Map"})->shortcut(), QKeySequence("Ctrl+F4"));
    e.Trigger({"&Window", "&Next Map"});
    EXPECT_EQ(checked(), std::vector<std::string>{a});
    e.Trigger({"&Window", "&Previous Map"});
    EXPECT_EQ(checked(), std::vector<std::string>{b});
    e.Trigger({"&Window", "Close &Map"});
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    ASSERT_EQ(e.form->MapWindows().size(), 1u);
    EXPECT_EQ(enabled(), commands.size());
    e.Trigger({"&File", "&Close"});
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    EXPECT_TRUE(e.form->MapWindows().empty());
    EXPECT_EQ(enabled(), 0u);
}

TEST(MainForm, ASlowLoadShowsProgressAndItsCancelOpensNothing) {
    Editor e;
    const std::string map = e.dir.file("slow.scx"), other = e.dir.file("before.scx");
    // Both maps are written before any load runs: the archive library works in a forked
    // process, which must not start while the cancelled load's thread is still busy.
    WriteOurMap(map);
    WriteOurMap(other, 32);
    // Each load waits on the loading thread until the test lets it go.
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    e.form->OpenProgressDelay = std::chrono::milliseconds(0);
    e.form->BeforeLoad = [released] { released.wait(); };
    // Cancel the progress dialog once it shows (the load is let go if it never does).
    bool shown = false;
    int looks = 0;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        auto* progress = e.form->findChild<QProgressDialog*>();
        if (progress && progress->isVisible()) {
            shown = true;
            EXPECT_EQ(progress->labelText().toStdString(), "Opening " + map + "...");
            look.stop();
            QPushButton* cancel = progress->findChild<QPushButton*>();
            ASSERT_NE(cancel, nullptr);
            cancel->click();
        } else if (++looks > 500) {
            look.stop();
            release.set_value();
        }
    });
    look.start(10);
    EXPECT_EQ(e.form->OpenByName(map), nullptr);
    ASSERT_TRUE(shown);
    EXPECT_TRUE(e.form->MapWindows().empty());
    EXPECT_TRUE(e.prompter.messages.empty());
    release.set_value();

    // A load that ends while its progress shows opens the map as usual, and its window is the
    // active one once the dialog has gone (not the map that was active before).
    e.Open({other});
    TMapWindow* before = e.Active();
    ASSERT_NE(before, nullptr);
    e.form->BeforeLoad = [] { std::this_thread::sleep_for(std::chrono::milliseconds(50)); };
    TMapWindow* window = e.form->OpenByName(map);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Scenario().Width, 64);
    QApplication::processEvents();
    EXPECT_EQ(e.form->MapWindows().size(), 2u);
    EXPECT_NE(e.Active(), before);
    EXPECT_EQ(e.Active(), window);
}

TEST(MainForm, AMapThatCannotBeOpenedShowsOneMessageAndNoWindow) {
    Editor e;
    const std::string bad = e.dir.file("bad.scm");
    WriteBytes(bad, Pattern(4096, 3));
    const std::string missing = e.dir.file("missing.scx");
    const std::string good = e.dir.file("good.scx");
    WriteOurMap(good);
    e.Open({bad, missing, good});
    ASSERT_EQ(e.prompter.messages.size(), 2u);
    EXPECT_TRUE(e.prompter.messages[0].starts_with("Cannot open " + bad + ": ")) << e.prompter.messages[0];
    EXPECT_TRUE(e.prompter.messages[1].starts_with("Cannot open " + missing + ": the file does not exist"));
    ASSERT_EQ(e.form->MapWindows().size(), 1u); // the program went on with the next file
    EXPECT_EQ(e.WindowsMenuItems(), std::vector<std::string>{good});
    EXPECT_EQ(e.form->Data().RecentFiles.Entries[0], good);
    EXPECT_EQ(e.form->Data().RecentFiles.Entries[1], "");
}

TEST(MainForm, DroppedMapFilesOpen) {
    Editor e;
    const std::string map = e.dir.file("dropped.scx");
    WriteOurMap(map, 16);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(map)), QUrl("https://example.invalid/x.scm")});
    QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(e.form.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(e.form.get(), &drop);
    ASSERT_EQ(e.form->MapWindows().size(), 1u);
    EXPECT_EQ(e.Active()->Document().FileName, map);
    EXPECT_EQ(e.form->Data().RecentFiles.Entries[0], map);
    EXPECT_TRUE(e.prompter.messages.empty());
}

TEST(MainForm, AMapThatIsOpenAlreadyGetsItsWindowBack) {
    Editor e;
    e.OpenOurMap();
    const std::string map = e.dir.file("ours.scx"), other = e.dir.file("other.scx");
    WriteOurMap(other, 64);
    e.Open({other});
    auto windows = e.form->MapWindows();
    ASSERT_EQ(windows.size(), 2u);
    // The same file by another path, and again while its window is minimised.
    const std::string link = e.dir.file("link.scx");
    std::filesystem::create_symlink(map, link);
    for (const std::string& again : {e.dir.path().string() + "/./ours.scx", link}) {
        windows[1]->parentWidget()->showNormal();
        e.form->Workspace()->setActiveSubWindow(static_cast<QMdiSubWindow*>(windows[1]->parentWidget()));
        windows[0]->parentWidget()->showMinimized();
        e.Open({again});
        EXPECT_EQ(e.form->MapWindows(), windows) << again;
        EXPECT_EQ(e.Active(), windows[0]) << again;
        EXPECT_FALSE(windows[0]->parentWidget()->isMinimized()) << again;
        EXPECT_EQ(e.form->Data().RecentFiles.Entries[0], again);
    }
    EXPECT_EQ(e.WindowsMenuItems(), (std::vector<std::string>{map, other}));
    EXPECT_TRUE(e.prompter.messages.empty());
    // A file that merely has the same contents is another map.
    const std::string copy = e.dir.file("copy.scx");
    std::filesystem::copy_file(map, copy);
    e.Open({copy});
    EXPECT_EQ(e.form->MapWindows().size(), 3u);
    e.Trigger({"&File", "&Close"});
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(e.form->MapWindows(), windows);
}

TEST(MainForm, TheWindowsMenuActivatesAndClosingRemovesTheWindowAndItsCopy) {
    Editor e;
    e.OpenOurMap();
    const std::string map = e.dir.file("ours.scx"), other = e.dir.file("other.scx");
    WriteOurMap(other, 64);
    e.Open({other});
    const auto windows = e.form->MapWindows();
    ASSERT_EQ(windows.size(), 2u);
    const std::string first = windows[0]->Document().WorkingCopy, second = windows[1]->Document().WorkingCopy;
    EXPECT_NE(first, second);
    EXPECT_TRUE(std::filesystem::exists(first));
    EXPECT_EQ(e.WindowsMenuItems(), (std::vector<std::string>{map, other}));
    // The Windows menu activates its window; closing a window removes its item and its copy.
    EXPECT_EQ(e.Active(), windows[1]);
    e.form->WindowsMenu()->actions()[0]->trigger();
    QApplication::processEvents();
    EXPECT_EQ(e.Active(), windows[0]);
    EXPECT_TRUE(windows[0]->IsActiveWindow());
    EXPECT_FALSE(windows[1]->IsActiveWindow());
    EXPECT_FALSE(windows[1]->Timer1->isActive());
    e.Trigger({"&File", "&Close"});
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(e.form->MapWindows().size(), 1u);
    EXPECT_EQ(e.WindowsMenuItems().size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(first));
    EXPECT_TRUE(std::filesystem::exists(second));
    EXPECT_EQ(e.Active(), windows[1]);
    EXPECT_TRUE(windows[1]->IsActiveWindow());
    EXPECT_TRUE(windows[1]->Timer1->isActive());
}

TEST(MainForm, AnInactiveWindowRendersNothing) {
    Editor e;
    TMapWindow* first = e.OpenOurMap();
    TMapWindow* second = e.OpenOurMap(64, "second.scx");
    ASSERT_NE(first, second);
    const int renders = first->View().FullRenders;
    first->View().Edit.OverlayX += 10; // the mouse moved over it
    EXPECT_EQ(first->Timer1Timer(), CMapView::Tick::Inactive);
    EXPECT_EQ(first->View().FullRenders, renders);
    EXPECT_FALSE(first->Timer1->isActive());
    EXPECT_TRUE(second->Timer1->isActive());
    // Asked to repaint (uncovered, resized), it shows its map rather than an empty frame.
    const int before = first->View().FullRenders;
    const QImage shown = first->MapDisplay->grab().toImage();
    EXPECT_EQ(first->View().FullRenders, before + (before == 0 ? 1 : 0));
    EXPECT_NE(shown.pixel(100, 100) & 0xFFFFFFu, 0u);
}

TEST(MainForm, RecentListOrders) {
    Editor e;
    std::array<std::string, 6> names;
    for (std::size_t i = 0; i < names.size(); ++i) {
        names[i] = e.dir.file(std::string(1, static_cast<char>('A' + i)) + ".scm");
        WriteOurMap(names[i], 16);
    }
    e.form->Data().RecentFiles.Entries = {names[0], names[1], names[2], names[3], names[4]};
    e.form->RefreshRecentItems();
    e.form->RecentItems[2]->trigger(); // C
    QApplication::processEvents();
    auto captions = [&] {
        std::vector<std::string> out;
        for (QAction* item : e.form->RecentItems) {
            out.push_back(item->text().toStdString());
        }
        return out;
    };
    EXPECT_EQ(captions(), (std::vector<std::string>{names[2], names[0], names[1], names[3], names[4]}));
    e.Open({names[5]}); // F
    EXPECT_EQ(captions(), (std::vector<std::string>{names[5], names[2], names[0], names[1], names[3]}));
    EXPECT_EQ(e.form->MapWindows().size(), 2u);
}

TEST(MainForm, RecentFilesAreKeptBetweenRunsAndAGoneFileLeavesTheList) {
    Editor e;
    StartupOptions options;
    options.standinOnly = true;
    options.programDir = options.configDir = e.dir.path();
    options.installPath = std::string();
    const std::string ini = e.dir.file("settings.ini");
    std::ofstream(ini) << "[Keep]\na=1\n";
    const std::string a = e.dir.file("a.scx"), b = e.dir.file("b.scx");
    WriteOurMap(a, 64);
    WriteOurMap(b, 64);
    e.Open({a, b});
    ASSERT_EQ(e.form->MapWindows().size(), 2u);
    EXPECT_TRUE(e.form->close());
    e.form.reset();
    EXPECT_EQ(ReadIniValue(ini, "Keep", "a"), "1"); // the rest of the file stays

    // The next run lists them, newest first.
    auto second = std::make_unique<TMainForm>(e.prompter, options);
    EXPECT_EQ(second->Data().RecentFiles.Entries[0], b);
    EXPECT_EQ(second->Data().RecentFiles.Entries[1], a);
    EXPECT_EQ(second->RecentItems[1]->text().toStdString(), a);
    EXPECT_TRUE(second->RecentItems[1]->isVisible());
    // A file that is gone is named in its message and leaves the list, in this run and the next.
    std::filesystem::remove(a);
    second->RecentItems[1]->trigger();
    QApplication::processEvents();
    ASSERT_FALSE(e.prompter.messages.empty());
    EXPECT_TRUE(e.prompter.messages.back().starts_with("Cannot open " + a)) << e.prompter.messages.back();
    EXPECT_TRUE(second->MapWindows().empty());
    EXPECT_EQ(second->Data().RecentFiles.Entries, (std::array<std::string, 5>{b, "", "", "", ""}));
    EXPECT_FALSE(second->RecentItems[1]->isVisible());
    second.reset();
    TMainForm third(e.prompter, options);
    EXPECT_EQ(third.Data().RecentFiles.Entries, (std::array<std::string, 5>{b, "", "", "", ""}));
    EXPECT_EQ(ReadIniValue(ini, "Keep", "a"), "1");
}

TEST(MainForm, SaveCloseReopenKeepsTheEdits) {
    Editor e;
    e.OpenOurMap();
    const std::string map = e.dir.file("ours.scx");
    ASSERT_NE(e.Active(), nullptr);
    e.Trigger({"Misc Tools", "Map Revealers", "Add for player 1"});
    ASSERT_EQ(e.Active()->Scenario().Units.size(), 2u + 36u);
    e.Active()->CurPlayer->setCurrentIndex(2);
    e.Trigger({"Misc Tools", "Fog", "All OFF for curplayer"});
    EXPECT_EQ(e.Active()->Scenario().Fog(10, 10) & 4, 0);
    EXPECT_TRUE(e.Active()->View().RedrawRequest);
    e.Trigger({"&File", "&Save"});
    // The start-location check may speak; the save itself must not fail.
    for (const std::string& message : e.prompter.messages) {
        EXPECT_FALSE(message.starts_with("Could not save")) << message;
    }
    const auto saved = e.Active()->Scenario().WriteToBytes().value();
    e.Trigger({"&File", "&Close"});
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(e.form->MapWindows().size(), 0u);
    e.Open({map});
    ASSERT_NE(e.Active(), nullptr);
    EXPECT_EQ(e.Active()->Scenario().Units.size(), 38u);
    EXPECT_EQ(e.Active()->Scenario().Units[2].X, 4);
    EXPECT_EQ(e.Active()->Scenario().Units[2].Owner, 0); // "Add for player 1"'s revealers
    EXPECT_EQ(e.Active()->Scenario().WriteToBytes().value(), saved);
}

TEST(MainForm, ClosingAChangedMapAsksFirst) {
    Editor e;
    e.OpenOurMap();
    const std::string map = e.dir.file("ours.scx");
    const auto before = ReadBytes(map);
    e.Trigger({"&File", "&Close"}); // unchanged: closes without a question
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(e.prompter.asked.empty());
    EXPECT_EQ(e.form->MapWindows().size(), 0u);

    e.Open({map});
    e.Trigger({"Misc Tools", "Map Revealers", "Add for player 1"});
    e.prompter.choices = {Prompter::Answer::Cancel};
    e.Trigger({"&File", "&Close"});
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(e.prompter.asked, std::vector<std::string>{"Save changes to " + map + "?"});
    EXPECT_EQ(e.form->MapWindows().size(), 1u);
    // Closing the program asks too, and Cancel keeps it running.
    e.prompter.choices = {Prompter::Answer::Cancel};
    EXPECT_FALSE(e.form->close());
    EXPECT_EQ(e.form->MapWindows().size(), 1u);
    EXPECT_EQ(ReadBytes(map), before);
    // Yes saves, then closes.
    e.prompter.choices = {Prompter::Answer::Yes};
    e.Trigger({"&File", "&Close"});
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(e.form->MapWindows().size(), 0u);
    EXPECT_NE(ReadBytes(map), before);

    // No closes without saving.
    e.Open({map});
    const auto saved = ReadBytes(map);
    e.Trigger({"Misc Tools", "Map Revealers", "Add for player 2"});
    e.prompter.choices = {Prompter::Answer::No};
    EXPECT_TRUE(e.form->close());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(e.form->MapWindows().size(), 0u);
    EXPECT_EQ(ReadBytes(map), saved);
}

TEST(MainForm, CancelInAnyQuestionOnExitKeepsEveryMapOpen) {
    Editor e;
    e.OpenOurMap(64, "first.scx");
    e.Trigger({"Misc Tools", "Map Revealers", "Add for player 1"});
    e.OpenOurMap(64, "second.scx");
    e.Trigger({"Misc Tools", "Map Revealers", "Add for player 1"});
    const std::string first = e.dir.file("first.scx"), second = e.dir.file("second.scx");
    const auto firstBytes = ReadBytes(first);
    // No to the first map, Cancel to the second: nothing closes, nothing is saved.
    e.prompter.choices = {Prompter::Answer::No, Prompter::Answer::Cancel};
    e.Trigger({"&File", "E&xit"});
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(e.prompter.asked, (std::vector<std::string>{"Save changes to " + first + "?",
                                                          "Save changes to " + second + "?"}));
    EXPECT_EQ(e.form->MapWindows().size(), 2u);
    EXPECT_EQ(e.WindowsMenuItems().size(), 2u);
    EXPECT_TRUE(e.form->isVisible());
    EXPECT_EQ(ReadBytes(first), firstBytes);
    // The first answer does not outlive the cancelled exit: closing that map asks again.
    e.form->WindowsMenu()->actions()[0]->trigger();
    e.prompter.choices = {Prompter::Answer::Cancel};
    e.Trigger({"&File", "&Close"});
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(e.prompter.asked.size(), 3u);
    EXPECT_EQ(e.form->MapWindows().size(), 2u);
    // No to both: everything closes.
    e.prompter.choices = {Prompter::Answer::No, Prompter::Answer::No};
    EXPECT_TRUE(e.form->close());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(e.prompter.asked.size(), 5u);
    EXPECT_EQ(e.form->MapWindows().size(), 0u);
}

TEST(MainForm, ANewMapThatWasNeverSavedCountsAsChanged) {
    Editor e;
    e.form->CreateNewMap(TerrainTypeGroups[0][0], 0, 32, 32);
    ASSERT_NE(e.Active(), nullptr);
    e.prompter.choices = {Prompter::Answer::Yes}; // then the save dialog is cancelled
    e.Trigger({"&File", "&Close"});
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(e.prompter.asked, std::vector<std::string>{"Save changes to Untitled 1?"});
    EXPECT_EQ(e.form->MapWindows().size(), 1u); // nothing was saved, so it stays
    const std::string target = e.dir.file("first.scm");
    e.prompter.choices = {Prompter::Answer::Yes};
    e.prompter.saveAnswers.push_back(target);
    e.Trigger({"&File", "&Close"});
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(e.form->MapWindows().size(), 0u);
    EXPECT_TRUE(std::filesystem::exists(target));
}

TEST(MainForm, AFailedSaveIsShownAndLeavesTheMapAlone) {
    Editor e;
    e.OpenOurMap();
    const std::string map = e.dir.file("ours.scx");
    const auto before = ReadBytes(map);
    ASSERT_NE(e.Active(), nullptr);
    e.Trigger({"Misc Tools", "Map Revealers", "Add for player 2"});
    WriteBytes(e.Active()->Document().WorkingCopy, Pattern(2000, 4));
    e.Trigger({"&File", "&Save"});
    ASSERT_FALSE(e.prompter.messages.empty());
    EXPECT_TRUE(e.prompter.messages.back().starts_with("Could not save " + map))
        << e.prompter.messages.back();
    EXPECT_EQ(std::count_if(e.prompter.messages.begin(), e.prompter.messages.end(),
                            [](const std::string& m) { return m.starts_with("Could not save"); }),
              1);
    EXPECT_EQ(ReadBytes(map), before);
}

TEST(MainForm, SaveAsPutsTheChosenNameInTheRecentList) {
    Editor e;
    e.OpenOurMap();
    const std::string map = e.dir.file("ours.scx");
    const std::string other = e.dir.file("other.scm");
    e.prompter.saveAnswers.push_back(other);
    e.Trigger({"&File", "Save &As..."});
    EXPECT_TRUE(std::filesystem::exists(other));
    EXPECT_EQ(e.form->Data().RecentFiles.Entries[0], other);
    EXPECT_EQ(e.form->Data().RecentFiles.Entries[1], map);
    EXPECT_EQ(e.Active()->windowTitle().toStdString(), std::filesystem::path(other).filename().string());
    EXPECT_EQ(e.Active()->FullCaption(), other);
    EXPECT_EQ(e.WindowsMenuItems(), std::vector<std::string>{other});
    // Our map is a Brood War map: ".scx" is proposed, each extension listed once, starting at
    // the map's own name in its folder; the status bar says what was done.
    EXPECT_EQ(e.prompter.fileQuestions.back(),
              "Save As [Starcraft expansion maps|*.scx|Starcraft maps|*.scm] .scx");
    EXPECT_EQ(e.prompter.saveStarts.back(), map);
    EXPECT_EQ(e.form->statusBar()->currentMessage().toStdString(), "Saved other.scm");
    // A cancelled "Save As" changes nothing.
    e.Trigger({"&File", "Save &As..."});
    EXPECT_EQ(e.form->Data().RecentFiles.Entries[0], other);
}

TEST(MainForm, NewMapFromTheDialogSavesAndReopens) {
    Editor e;
    e.Trigger({"&File", "&New"});
    TNewCHKDLG* dlg = e.form->NewMapDialog();
    ASSERT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->windowTitle().toStdString(), "NewCHKDLG");
    EXPECT_EQ(dlg->Width->value(), 128);
    EXPECT_EQ(dlg->Tileset->count(), 8);
    EXPECT_EQ(dlg->Tileset->item(4)->text().toStdString(), "Jungle World");
    dlg->Tileset->setCurrentRow(4);
    EXPECT_EQ(dlg->Terrain->count(), 13);
    EXPECT_EQ(dlg->Terrain->currentRow(), 0);
    dlg->Terrain->setCurrentRow(3); // Jungle
    dlg->Square->setChecked(true);
    EXPECT_FALSE(dlg->Height->isEnabled());
    dlg->Width->setValue(64);
    EXPECT_EQ(dlg->Height->value(), 64);
    dlg->Square->setChecked(false);
    EXPECT_TRUE(dlg->Height->isEnabled());
    EXPECT_EQ(dlg->Height->value(), 64);
    dlg->Height->setValue(48);
    dlg->CreateMapBTN->click();
    QApplication::processEvents();
    EXPECT_FALSE(dlg->isVisible());
    TMapWindow* w = e.Active();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle().toStdString(), "Untitled 1");
    EXPECT_EQ(e.WindowsMenuItems(), std::vector<std::string>{"Untitled 1"});
    EXPECT_EQ(w->Scenario().Width, 64);
    EXPECT_EQ(w->Scenario().Height, 48);
    EXPECT_EQ(w->Scenario().Tileset(), 4);
    EXPECT_EQ(w->Scenario().Terrain(0, 0) / 16, TerrainTypeGroups[4][3]);
    EXPECT_EQ(w->Timer1Timer(), CMapView::Tick::Full);

    // Save on a map without a file asks for one and makes the archive.
    const std::string target = e.dir.file("new.scx");
    e.prompter.saveAnswers.push_back(target);
    e.Trigger({"&File", "&Save"});
    ASSERT_TRUE(std::filesystem::exists(target));
    EXPECT_EQ(w->Document().FileName, target);
    const auto bytes = w->Scenario().WriteToBytes().value();
    const std::string copy = e.dir.file("copy.scx");
    std::filesystem::copy_file(target, copy);
    e.Open({copy});
    ASSERT_EQ(e.form->MapWindows().size(), 2u);
    EXPECT_EQ(e.Active()->Scenario().WriteToBytes().value(), bytes);

    // The dialog is reused and keeps its values; Cancel only hides it.
    e.Trigger({"&File", "&New"});
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->Tileset->currentRow(), 4);
    EXPECT_EQ(dlg->Height->value(), 48);
    dlg->CancelBTN->click();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(e.form->MapWindows().size(), 2u);
}

TEST(MainForm, NewMapsAreUntitledAndTheDialogTakesOnlyEvenSizesUpTo256) {
    Editor e;
    TNewCHKDLG* dlg = e.form->NewMapDialog();
    // The usual sizes are offered; choosing one fills the spin box, and the list follows typing.
    ASSERT_EQ(dlg->WidthSizes->count(), 5);
    EXPECT_EQ(dlg->WidthSizes->itemText(0).toStdString(), "64");
    EXPECT_EQ(dlg->HeightSizes->itemText(4).toStdString(), "256");
    EXPECT_EQ(dlg->WidthSizes->currentText().toStdString(), "128");
    dlg->WidthSizes->setCurrentIndex(3);
    EXPECT_EQ(dlg->Width->value(), 192);
    dlg->HeightSizes->setCurrentIndex(1);
    EXPECT_EQ(dlg->Height->value(), 96);
    dlg->Width->setValue(100);
    EXPECT_EQ(dlg->WidthSizes->currentIndex(), -1);
    dlg->Width->setValue(256);
    EXPECT_EQ(dlg->WidthSizes->currentIndex(), 4);

    // Odd, too small and too large sizes are refused with the reason; the dialog stays open.
    const std::vector<std::pair<int, int>> refused{{63, 64}, {64, 127}, {0, 64}, {64, 258}, {300, 64}};
    for (const auto& [width, height] : refused) {
        e.Trigger({"&File", "&New"});
        dlg->Width->setValue(width);
        dlg->Height->setValue(height);
        e.prompter.messages.clear();
        dlg->CreateMapBTN->click();
        ASSERT_EQ(e.prompter.messages.size(), 1u) << width << " x " << height;
        EXPECT_EQ(e.prompter.messages[0], width == 64 ? "The height must be an even number from 2 to 256."
                                                      : "The width must be an even number from 2 to 256.");
        EXPECT_TRUE(dlg->isVisible());
    }
    EXPECT_TRUE(e.form->MapWindows().empty());
    // Square uses the width for both sides.
    dlg->Square->setChecked(true);
    dlg->Width->setValue(5);
    e.prompter.messages.clear();
    dlg->CreateMapBTN->click();
    EXPECT_EQ(e.prompter.messages,
              std::vector<std::string>{"The width must be an even number from 2 to 256."});
    dlg->Square->setChecked(false);

    // The smallest and the largest sizes are made; new maps count up from "Untitled 1".
    for (int side : {2, 256}) {
        e.Trigger({"&File", "&New"});
        dlg->Width->setValue(side);
        dlg->Height->setValue(side);
        dlg->CreateMapBTN->click();
        QApplication::processEvents();
        ASSERT_NE(e.Active(), nullptr);
        EXPECT_EQ(e.Active()->Scenario().Width, side);
        EXPECT_EQ(e.Active()->Scenario().Height, side);
    }
    EXPECT_EQ(e.WindowsMenuItems(), (std::vector<std::string>{"Untitled 1", "Untitled 2"}));
    EXPECT_EQ(e.Active()->windowTitle().toStdString(), "Untitled 2");
    e.prompter.choices = {Prompter::Answer::Cancel};
    e.Trigger({"&File", "&Close"});
    EXPECT_EQ(e.prompter.asked, std::vector<std::string>{"Save changes to Untitled 2?"});
}

TEST(MainForm, SaveImageWritesAJpegAndRestartsTheRefresh) {
    Editor e;
    TMapWindow* w = e.OpenOurMap();
    ASSERT_NE(w, nullptr);
    // Cancelled: nothing written, the refresh goes on.
    e.Trigger({"&File", "Save Image of Map"});
    EXPECT_TRUE(w->Timer1->isActive());
    EXPECT_TRUE(e.prompter.fileQuestions.back().starts_with(
        "Save Image of Map [JPG image files|*.jpg|Bitmap |*-.bmp|Bitmap Isom|*.isom.bmp]"));
    bool runningWhileAsked = true;
    e.prompter.whileAsking = [&] { runningWhileAsked = w->Timer1->isActive(); };
    const std::string picture = e.dir.file("map-.bmp"); // the filter never changes the format
    e.prompter.saveAnswers.push_back(picture);
    e.form->ToolBar1->actions()[4]->trigger();
    QImageReader reader(QString::fromStdString(picture));
    EXPECT_EQ(reader.format().toStdString(), "jpeg");
    EXPECT_EQ(reader.size(), QSize(2048, 2048));
    EXPECT_FALSE(runningWhileAsked); // the refresh stops for the export
    EXPECT_TRUE(w->Timer1->isActive());
    EXPECT_TRUE(e.prompter.messages.empty());
    EXPECT_EQ(e.prompter.saveStarts.back(), e.dir.file("ours.jpg")) << "the dialog starts at the map's name";
    EXPECT_EQ(e.form->statusBar()->currentMessage().toStdString(), "Saved the image of the map as map-.bmp");
}

TEST(MainForm, CommandsForTheActiveWindowDoNothingWithoutOne) {
    Editor e;
    for (const auto& path :
         std::vector<std::vector<std::string>>{{"Misc Tools", "Fog", "All ON for curplayer"},
                                               {"Misc Tools", "Map Revealers", "Add for player 1"},
                                               {"&File", "&Save"},
                                               {"&File", "Save &As..."},
                                               {"&File", "Save All"},
                                               {"&File", "Save Image of Map"},
                                               {"&File", "&Close"}}) {
        e.Trigger(path);
    }
    EXPECT_TRUE(e.prompter.messages.empty());
    EXPECT_TRUE(e.prompter.fileQuestions.empty());
}

TEST(MainForm, OptionMenusKeepTheirChecksAndFlags) {
    Editor e;
    OptionFlags& flags = e.form->Data().Options;
    QAction* anywhere = e.Action({"Unit Placing", "Place Mode", "Anywhere"});
    QAction* classic = e.Action({"Unit Placing", "Place Mode", "Classic Staredit"});
    QMenu* place = Menu(e, {"Unit Placing", "Place Mode"});
    anywhere->trigger();
    EXPECT_TRUE(anywhere->isChecked());
    EXPECT_FALSE(classic->isChecked());
    EXPECT_EQ(place->defaultAction(), anywhere);
    anywhere->trigger();
    EXPECT_FALSE(anywhere->isChecked());
    EXPECT_EQ(place->defaultAction(), nullptr);
    EXPECT_TRUE(flags.IgnoreTerrain);
    classic->trigger();
    EXPECT_TRUE(classic->isChecked());
    EXPECT_FALSE(flags.IgnoreTerrain);
    classic->trigger(); // checking it again keeps it checked
    EXPECT_TRUE(classic->isChecked());

    e.Trigger({"Display Options", "Locations", "Display", "Type 1 (Blue)"});
    EXPECT_EQ(flags.LocationElevationMask, 63u);
    EXPECT_FALSE(e.Action({"Display Options", "Locations", "Display", "Type 1 (Blue)"})->isChecked());
    e.Trigger({"Display Options", "Locations", "Display", "Low Air"});
    EXPECT_EQ(flags.LocationElevationMask, 55u);

    e.Trigger({"Display Options", "Show Grid"});
    EXPECT_TRUE(flags.ShowGrid);
    EXPECT_TRUE(e.Action({"Display Options", "Show Grid"})->isChecked());
    e.Trigger({"Display Options", "Show Creep"});
    EXPECT_FALSE(flags.ShowCreep);
    EXPECT_FALSE(e.Action({"Display Options", "Show Creep"})->isChecked());

    QMenu* units = Menu(e, {"Unit Placing", "Units"});
    e.Trigger({"Unit Placing", "Units", "Align to 16x16 grid"});
    EXPECT_TRUE(flags.UnitAlign16);
    EXPECT_FALSE(flags.UnitAlign32);
    EXPECT_EQ(units->defaultAction()->text().toStdString(), "Align to 16x16 grid");
    EXPECT_FALSE(e.Action({"Unit Placing", "Units", "No Grid"})->isChecked());
    e.Trigger({"Unit Placing", "Buildings", "No Grid"});
    EXPECT_FALSE(flags.BuildingAlign32 || flags.BuildingAlign16);
}

TEST(MainForm, WindowArrangements) {
    Editor e;
    e.OpenOurMap(16);
    e.OpenOurMap(16, "second.scx");
    e.Trigger({"&Window", "Tile &Vertically"});
    auto subs = e.form->Workspace()->subWindowList(QMdiArea::CreationOrder);
    ASSERT_EQ(subs.size(), 2);
    EXPECT_EQ(subs[0]->y(), subs[1]->y());
    EXPECT_LT(subs[0]->x(), subs[1]->x());
    e.Trigger({"&Window", "Tile &Horizontally"});
    EXPECT_EQ(subs[0]->x(), subs[1]->x());
    EXPECT_LT(subs[0]->y(), subs[1]->y());
    e.Trigger({"&Window", "&Minimize All"});
    EXPECT_TRUE(subs[0]->isMinimized() && subs[1]->isMinimized());
    e.Trigger({"&Window", "&Arrange All"});
    e.Trigger({"&Window", "&Cascade"});
}

TEST(Editor, OpensTheMapsNamedOnItsCommandLine) {
    TempDir dir;
    const std::string map = dir.file("ours.scx"), other = dir.file("other.scx");
    WriteOurMap(map);
    WriteOurMap(other);
    const std::string shot = dir.file("shot.png");
    QProcess editor;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.path().string()));
    env.insert("XDG_STATE_HOME", QString::fromStdString(dir.path().string()));
    editor.setProcessEnvironment(env);
    editor.start(ORVISTAD_EDITOR_PATH, {"--standin", "--timing", "--screenshot", QString::fromStdString(shot),
                                        QString::fromStdString(map), QString::fromStdString(other)});
    ASSERT_TRUE(editor.waitForFinished(60000));
    const std::string out = editor.readAllStandardOutput().toStdString();
    EXPECT_EQ(editor.exitCode(), 0) << out << editor.readAllStandardError().toStdString();
    EXPECT_NE(out.find("2 map window(s) open"), std::string::npos) << out;
    QImage picture(QString::fromStdString(shot));
    EXPECT_FALSE(picture.isNull());

    QProcess wrong;
    wrong.setProcessEnvironment(env);
    wrong.start(ORVISTAD_EDITOR_PATH, {"--no-such-option"});
    ASSERT_TRUE(wrong.waitForFinished(60000));
    EXPECT_EQ(wrong.exitCode(), 2);
}

} // namespace
} // namespace orv::test
