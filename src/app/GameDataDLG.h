#pragma once

// The Game Data dialog: where the artwork and rule tables come from. The user picks the
// game's folder (an installation, whose three archives are taken, or a folder of files
// extracted from the game) or single archives; the list is what settings.txt holds, later
// entries winning. Each table's source is shown as the list changes, so the user sees at once
// whether the choice is complete.

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;
class QTreeWidget;

namespace orv {

class Prompter;

class TGameDataDLG : public QDialog {
public:
    // `installArchives` are the installed game's archives that come before the list (from
    // the Wine registry); `standin` names the stand-in archive used when the list is incomplete.
    TGameDataDLG(Prompter& prompter, std::vector<std::string> installArchives,
                 std::vector<std::string> entries, std::string settingsFile, QWidget* parent = nullptr);

    std::vector<std::string> Entries() const;

    QListWidget* EntryList;
    QTreeWidget* Sources; // per table: its name and where it comes from
    QLabel* Verdict;
    QPushButton* AddFolderBTN;
    QPushButton* AddArchiveBTN;
    QPushButton* RemoveBTN;
    QPushButton* UpBTN;
    QPushButton* DownBTN;
    QPushButton* OkBTN;
    QPushButton* CancelBTN;

    void AddFolderClick();
    void AddArchiveClick();
    void RemoveClick();
    void MoveClick(int step);
    // True when every table has a source.
    bool Complete() const { return m_complete; }

private:
    void Refresh();

    Prompter& m_prompter;
    std::vector<std::string> m_install;
    bool m_complete = false;
};

} // namespace orv
