// A newcomer's first minutes: starting without the game, choosing game data, and where map
// windows open.

#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>

#include "app/GameDataDLG.h"
#include "app/RecentFiles.h"
#include "archive/MapArchiveReader.h"
#include "gui/EditorFixture.h"
#include "support/CascBuilder.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using test::Editor;

// The stand-in archive's files, extracted under their archived paths as extraction tools write them.
std::filesystem::path ExtractStandin(const std::filesystem::path& folder) {
    auto archive = MapArchiveReader::Open(StandinArchivePath());
    EXPECT_TRUE(archive.ok());
    for (const std::string& name : archive.value().ListfileNames()) {
        std::string path = name;
        std::replace(path.begin(), path.end(), '\\', '/');
        auto bytes = archive.value().ReadFile(name);
        EXPECT_TRUE(bytes.ok()) << name;
        test::WriteBytes(folder / path, bytes.value());
    }
    return folder;
}

// The main window as a first run finds it: no game, no settings.
std::unique_ptr<TMainForm> FirstRun(test::RecordingPrompter& prompter, const test::TempDir& dir) {
    StartupOptions options;
    options.programDir = dir.path() / "program";
    options.configDir = dir.path() / "config";
    options.installPath = std::string();
    auto form = std::make_unique<TMainForm>(prompter, options);
    form->show();
    QApplication::processEvents();
    return form;
}

TEST(FirstDay, WithoutTheGameANoticeLeadsToTheGameDataDialogAndAChosenFolderServesLaterMaps) {
    test::RecordingPrompter prompter;
    test::TempDir dir;
    auto form = FirstRun(prompter, dir);
    EXPECT_TRUE(prompter.messages.empty()); // nothing stops the start
    EXPECT_TRUE(form->Data().UsingStandin);
    ASSERT_TRUE(form->NoticeBar->isVisible());
    EXPECT_EQ(form->NoticeText->text().toStdString(),
              "No game data found: showing stand-in art. Set the game folder in Settings");

    const std::string first = dir.file("first.scx");
    test::WriteOurMap(first, 32);
    form->OpenFiles({first});
    TMapWindow* before = form->ActiveMapWindow();
    ASSERT_NE(before, nullptr);

    form->NoticeButton->click();
    TGameDataDLG* dialog = form->GameDataDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->Complete());
    EXPECT_EQ(dialog->Sources->topLevelItemCount(), static_cast<int>(kGameTables.size()) + 1); // + dddata.bin

    const auto folder = ExtractStandin(dir.path() / "Extracted Game");
    prompter.folderAnswers.push_back(folder.string());
    dialog->AddFolderBTN->click();
    EXPECT_EQ(dialog->Entries(), std::vector<std::string>{folder.string()});
    EXPECT_TRUE(dialog->Complete());
    EXPECT_EQ(dialog->Sources->topLevelItem(6)->text(1).toStdString(), folder.string());
    dialog->OkBTN->click();
    QApplication::processEvents();

    EXPECT_EQ(ReadSettingsLines(dir.path() / "config" / "settings.txt"),
              std::vector<std::string>{folder.string()});
    EXPECT_FALSE(form->Data().UsingStandin);
    EXPECT_FALSE(form->NoticeBar->isVisible());
    EXPECT_EQ(form->Data().Archives.SourceOf(GameTableNames::UnitsDat), 0);

    // The open map keeps its data and still draws; the next one is drawn from the folder.
    EXPECT_TRUE(before->GameData().UsingStandin);
    before->View().RedrawRequest = true;
    EXPECT_EQ(before->View().RefreshTick(true, 0, 0), CMapView::Tick::Full);
    const std::string second = dir.file("second.scx");
    test::WriteOurMap(second, 32);
    form->OpenFiles({second});
    TMapWindow* after = form->ActiveMapWindow();
    ASSERT_NE(after, before);
    EXPECT_EQ(&after->GameData(), &form->Data());
    after->View().RedrawRequest = true;
    EXPECT_EQ(after->View().RefreshTick(true, 0, 0), CMapView::Tick::Full);
    before->parentWidget()->close(); // its game data goes with it
    QApplication::processEvents();

    // The next run starts from the folder, without a notice.
    form.reset();
    auto again = FirstRun(prompter, dir);
    EXPECT_FALSE(again->Data().UsingStandin);
    EXPECT_FALSE(again->NoticeBar->isVisible());
}

TEST(FirstDay, TheGameDataDialogOrdersAndRemovesEntriesAndCancelChangesNothing) {
    Editor e;
    e.form->GameDataExecute();
    TGameDataDLG* dialog = e.form->GameDataDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->Entries().empty());
    EXPECT_EQ(dialog->Verdict->text().toStdString(), "No game data chosen: Orvistad shows its stand-in art.");
    // An installed game's folder gives its archives; single archives join the list.
    test::WriteBytes(e.dir.path() / "game" / "StarDat.mpq", {1});
    test::WriteBytes(e.dir.path() / "game" / "BrooDat.mpq", {1});
    e.prompter.folderAnswers.push_back((e.dir.path() / "game").string());
    dialog->AddFolderBTN->click();
    e.prompter.openAnswers.push_back({StandinArchivePath().string()});
    dialog->AddArchiveBTN->click();
    ASSERT_EQ(dialog->Entries().size(), 3u);
    EXPECT_TRUE(dialog->Complete());
    dialog->EntryList->setCurrentRow(2);
    dialog->UpBTN->click();
    EXPECT_EQ(dialog->Entries()[1], StandinArchivePath().string());
    dialog->RemoveBTN->click(); // the selection moved with the entry
    EXPECT_EQ(dialog->Entries().size(), 2u);
    EXPECT_FALSE(dialog->Complete());
    dialog->CancelBTN->click();
    QApplication::processEvents();
    EXPECT_FALSE(std::filesystem::exists(e.form->Data().SettingsTxtPath()));
    EXPECT_TRUE(e.form->Data().UsingStandin);
}

// Every map window lies inside the work area, whatever the number and the screen.
void ExpectInsideWorkArea(TMainForm& form) {
    const QRect area = form.Workspace()->viewport()->rect();
    for (QMdiSubWindow* sub : form.Workspace()->subWindowList()) {
        EXPECT_TRUE(area.contains(sub->geometry())) << sub->geometry().x() << "," << sub->geometry().y()
                                                    << " " << sub->width() << "x" << sub->height();
        EXPECT_GE(sub->width(), 480);
        EXPECT_GE(sub->height(), 360);
    }
}

TEST(FirstDay, TheCurrentGamesInstallationFoundThroughTheRegistryServesTheEditor) {
    test::RecordingPrompter prompter;
    test::TempDir dir;
    const auto storage = test::CascBuilder::WithStandinFiles().Write(dir.path() / "StarCraft");
    StartupOptions options;
    options.programDir = dir.path() / "program";
    options.configDir = dir.path() / "config";
    options.installPath = storage.folder.string(); // as the Wine registry names it
    auto form = std::make_unique<TMainForm>(prompter, options);
    form->show();
    QApplication::processEvents();
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_FALSE(form->Data().UsingStandin) << form->Data().Notice;
    EXPECT_FALSE(form->NoticeBar->isVisible());
    EXPECT_EQ(form->Data().Archives.SourceKind(0), "CASC storage");

    const std::string map = dir.file("map.scx");
    test::WriteOurMap(map, 32);
    form->OpenFiles({map});
    TMapWindow* window = form->ActiveMapWindow();
    ASSERT_NE(window, nullptr);
    window->View().RedrawRequest = true;
    EXPECT_EQ(window->View().RefreshTick(true, 0, 0), CMapView::Tick::Full);

    form->GameDataExecute();
    TGameDataDLG* dialog = form->GameDataDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->Complete());
    EXPECT_EQ(dialog->Sources->topLevelItem(0)->text(1).toStdString(), storage.folder.string());
    dialog->CancelBTN->click();
}

TEST(FirstDay, MapWindowsOpenInsideTheWorkAreaCascadedAndCascadeKeepsThemUsable) {
    Editor e;
    e.form->resize(1366, 768); // a small laptop screen
    QApplication::processEvents();
    for (int i = 0; i < 4; ++i) {
        e.OpenOurMap(16, "map" + std::to_string(i) + ".scx");
    }
    auto subs = e.form->Workspace()->subWindowList(QMdiArea::CreationOrder);
    ASSERT_EQ(subs.size(), 4);
    ExpectInsideWorkArea(*e.form);
    EXPECT_EQ(subs[0]->pos(), QPoint(0, 0));
    EXPECT_LT(subs[0]->x(), subs[1]->x());
    e.Trigger({"&Window", "&Cascade"});
    ExpectInsideWorkArea(*e.form);
    EXPECT_EQ(e.form->ActiveMapWindow(), subs.back()->widget());
    // A maximised map makes the next one open maximised too.
    subs[3]->showMaximized();
    e.OpenOurMap(16, "map4.scx");
    EXPECT_TRUE(e.form->Workspace()->activeSubWindow()->isMaximized());
}

TEST(FirstDay, TheMainWindowFitsTheScreenAndRemembersItsGeometry) {
    test::RecordingPrompter prompter;
    test::TempDir dir;
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    {
        auto form = FirstRun(prompter, dir);
        EXPECT_LE(form->width(), screen.width());
        EXPECT_LE(form->height(), screen.height());
        form->resize(700, 500);
        form->move(screen.left() + 20, screen.top() + 10);
        ASSERT_TRUE(form->close());
    }
    EXPECT_NE(ReadIniValue(dir.path() / "config" / "settings.ini", "Window", "Geometry"), "");
    auto form = FirstRun(prompter, dir);
    EXPECT_EQ(form->size(), QSize(700, 500));
}

} // namespace
} // namespace orv
