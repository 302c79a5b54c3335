#include "app/GameDataDLG.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/GameData.h"
#include "base/Prompter.h"

#include <filesystem>
#include <system_error>

namespace orv {

TGameDataDLG::TGameDataDLG(Prompter& prompter, std::vector<std::string> installArchives,
                           std::vector<std::string> entries, std::string settingsFile, QWidget* parent)
    : QDialog(parent), m_prompter(prompter), m_install(std::move(installArchives)) {
    setObjectName("GameDataDLG");
    setWindowTitle("Game Data");
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(
        "Orvistad draws maps with the game's artwork and rule tables. Choose the game's folder (the current "
        "game's installation, the folder with .build.info; an older installation with StarDat.mpq, "
        "BrooDat.mpq "
        "and patch_rt.mpq; or a folder of files extracted from the game) or single archives. Later entries "
        "win. Without a complete set Orvistad shows its own stand-in art.",
        this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    if (!m_install.empty()) {
        // An installation of the current game is one folder; an older one, three archives in one.
        std::error_code ec;
        const std::filesystem::path front(m_install.front());
        const std::string folder =
            std::filesystem::is_directory(front, ec) ? front.string() : front.parent_path().string();
        auto* install = new QLabel(
            QString::fromStdString("Installed game found: " + folder + " (searched before the list)"), this);
        install->setWordWrap(true);
        layout->addWidget(install);
    }

    auto* listRow = new QHBoxLayout;
    EntryList = new QListWidget(this);
    EntryList->setObjectName("EntryList");
    for (const std::string& entry : entries) {
        EntryList->addItem(QString::fromStdString(entry));
    }
    listRow->addWidget(EntryList, 1);
    auto* buttons = new QVBoxLayout;
    auto button = [&](const char* caption, const std::function<void()>& click) {
        auto* b = new QPushButton(caption, this);
        connect(b, &QPushButton::clicked, this, [click] { click(); });
        buttons->addWidget(b);
        return b;
    };
    AddFolderBTN = button("Add &Folder...", [this] { AddFolderClick(); });
    AddArchiveBTN = button("Add &Archive...", [this] { AddArchiveClick(); });
    RemoveBTN = button("&Remove", [this] { RemoveClick(); });
    UpBTN = button("Move &Up", [this] { MoveClick(-1); });
    DownBTN = button("Move &Down", [this] { MoveClick(1); });
    buttons->addStretch();
    listRow->addLayout(buttons);
    layout->addLayout(listRow);

    Sources = new QTreeWidget(this);
    Sources->setObjectName("Sources");
    Sources->setRootIsDecorated(false);
    Sources->setHeaderLabels({"Table", "Comes from"});
    Sources->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    layout->addWidget(Sources, 1);
    Verdict = new QLabel(this);
    Verdict->setWordWrap(true);
    layout->addWidget(Verdict);
    auto* where = new QLabel(
        QString::fromStdString("OK stores the list in " + settingsFile + "; maps opened afterwards use it."),
        this);
    where->setWordWrap(true);
    layout->addWidget(where);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    OkBTN = box->button(QDialogButtonBox::Ok);
    CancelBTN = box->button(QDialogButtonBox::Cancel);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(box);
    connect(EntryList, &QListWidget::currentRowChanged, this, [this] {
        const int row = EntryList->currentRow();
        RemoveBTN->setEnabled(row >= 0);
        UpBTN->setEnabled(row > 0);
        DownBTN->setEnabled(row >= 0 && row + 1 < EntryList->count());
    });
    resize(640, 560);
    Refresh();
    EntryList->setCurrentRow(EntryList->count() - 1);
    emit EntryList->currentRowChanged(EntryList->currentRow());
}

std::vector<std::string> TGameDataDLG::Entries() const {
    std::vector<std::string> entries;
    for (int i = 0; i < EntryList->count(); ++i) {
        entries.push_back(EntryList->item(i)->text().toStdString());
    }
    return entries;
}

void TGameDataDLG::AddFolderClick() {
    if (const auto folder = m_prompter.ChooseFolder("Choose the game's folder")) {
        for (const std::string& entry : GameFolderEntries(*folder)) {
            EntryList->addItem(QString::fromStdString(entry));
        }
        EntryList->setCurrentRow(EntryList->count() - 1);
        Refresh();
    }
}

void TGameDataDLG::AddArchiveClick() {
    const auto archives =
        m_prompter.ChooseFilesToOpen("Add Game Archives", "Game archives (*.mpq)|*.mpq|All files|*");
    for (const std::string& archive : archives) {
        EntryList->addItem(QString::fromStdString(archive));
    }
    if (!archives.empty()) {
        EntryList->setCurrentRow(EntryList->count() - 1);
        Refresh();
    }
}

void TGameDataDLG::RemoveClick() {
    const int row = EntryList->currentRow();
    if (row >= 0) {
        delete EntryList->takeItem(row);
        Refresh();
    }
}

void TGameDataDLG::MoveClick(int step) {
    const int row = EntryList->currentRow();
    const int to = row + step;
    if (row < 0 || to < 0 || to >= EntryList->count()) {
        return;
    }
    EntryList->insertItem(to, EntryList->takeItem(row));
    EntryList->setCurrentRow(to);
    Refresh();
}

void TGameDataDLG::Refresh() {
    TMyMPQ archives;
    archives.ArchiveList = m_install;
    for (const std::string& entry : Entries()) {
        archives.ArchiveList.push_back(entry);
    }
    // Files a current installation may lack come from the stand-in data, as at start-up.
    archives.FallbackArchive = StandinArchivePath().string();
    archives.FallbackFor = IsOptionalGameFile;
    const std::vector<std::string> sources = TableSources(archives);
    Sources->clear();
    std::vector<std::string> missing;
    std::size_t fromTheList = 0; // neither missing nor taken from the stand-in
    for (std::size_t i = 0; i < kGameTables.size(); ++i) {
        fromTheList += archives.SourceOf(kGameTables[i]) >= 0;
        auto* item = new QTreeWidgetItem(Sources);
        item->setText(0, kGameTables[i]);
        item->setText(1, sources[i].empty() ? QString("(not found)") : QString::fromStdString(sources[i]));
        if (sources[i].empty()) {
            item->setForeground(1, QColor(170, 0, 0));
            missing.push_back(kGameTables[i]);
        }
    }
    // The tilesets' doodad placement is optional too; one tileset stands for all.
    const char* placement = "tileset\\badlands\\dddata.bin";
    const std::string placementSource = SourceText(archives, placement);
    auto* item = new QTreeWidgetItem(Sources);
    item->setText(0, placement);
    item->setText(1,
                  placementSource.empty() ? QString("(not found)") : QString::fromStdString(placementSource));
    // Sources the program could not open say why.
    for (std::size_t i = 0; i < archives.ArchiveList.size(); ++i) {
        if (const std::string problem = archives.SourceProblem(i); !problem.empty()) {
            auto* bad = new QTreeWidgetItem(Sources);
            bad->setText(0, QString::fromStdString(archives.ArchiveList[i]));
            bad->setText(1, QString::fromStdString(problem));
            bad->setForeground(1, QColor(170, 0, 0));
        }
    }
    m_complete = missing.empty();
    if (m_complete) {
        Verdict->setText("Complete: maps opened afterwards are drawn with this game data.");
    } else if (fromTheList == 0) {
        Verdict->setText("No game data chosen: Orvistad shows its stand-in art.");
    } else {
        Verdict->setText(
            QString("Incomplete (%1 of %2 tables missing): Orvistad shows its stand-in art until every "
                    "table is found.")
                .arg(missing.size())
                .arg(kGameTables.size()));
    }
}

} // namespace orv
