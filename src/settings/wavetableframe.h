#pragma once

// The "Wavs" page of the scenario settings window: the map's sound table, and "Add Wav",
// which gives a sound file a slot. A file from disk is queued and put into the map archive
// when the window closes; a path inside the game's archives only takes the slot.

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace orv {

class Prompter;
class TSettingsStore;

class TWavTable : public QWidget {
public:
    TWavTable(TSettingsStore& store, Prompter& ask, QWidget* parent = nullptr);

    // The sound table's lines ("003 : staredit\wav\boom.wav").
    void FillList();

    QListWidget* Wavs;
    QLabel* MPQpathLabel;
    QLineEdit* MPQpath;
    QLineEdit* wavfilename;
    QPushButton* Browse;
    QCheckBox* StarcraftWav;
    QPushButton* Add;

    void BrowseClick();
    void StarcraftWavClick();
    void AddClick();

private:
    TSettingsStore& m_store;
    Prompter& m_ask;
};

} // namespace orv
