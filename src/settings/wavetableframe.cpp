#include "settings/wavetableframe.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/Prompter.h"
#include "settings/SettingsStore.h"

namespace orv {

TWavTable::TWavTable(TSettingsStore& store, Prompter& ask, QWidget* parent)
    : QWidget(parent), m_store(store), m_ask(ask) {
    setObjectName("waveeditor");
    auto* column = new QVBoxLayout(this);
    Wavs = new QListWidget(this);
    Wavs->setObjectName("Wavs");
    column->addWidget(Wavs, 1);

    auto* group = new QGroupBox("Add Wav", this);
    auto* grid = new QGridLayout(group);
    MPQpathLabel = new QLabel("SCM path(blank for auto)", group);
    MPQpath = new QLineEdit(group);
    MPQpath->setObjectName("MPQpath");
    MPQpathLabel->setBuddy(MPQpath);
    auto* fileLabel = new QLabel("Filename", group);
    wavfilename = new QLineEdit(group);
    wavfilename->setObjectName("wavfilename");
    fileLabel->setBuddy(wavfilename);
    Browse = new QPushButton("Browse", group);
    Browse->setObjectName("Browse");
    StarcraftWav =
        new QCheckBox("Starcraft Wav (check this to use a wav in stardat or broddat MPQ files)", group);
    StarcraftWav->setObjectName("StarcraftWav");
    Add = new QPushButton("Add", group);
    Add->setObjectName("Add");
    grid->addWidget(MPQpathLabel, 0, 0);
    grid->addWidget(MPQpath, 0, 1, 1, 2);
    grid->addWidget(fileLabel, 1, 0);
    grid->addWidget(wavfilename, 1, 1);
    grid->addWidget(Browse, 1, 2);
    grid->addWidget(StarcraftWav, 2, 0, 1, 3);
    grid->addWidget(Add, 3, 2);
    column->addWidget(group);

    auto* help = new QLabel("Sound files from disk are put into the map archive when this window closes. "
                            "They stay in the archive when the settings change is undone: the archive's "
                            "files are not part of the undo history.",
                            this);
    help->setObjectName("WavsHelp");
    help->setWordWrap(true);
    column->addWidget(help);

    connect(Browse, &QPushButton::clicked, this, [this] { BrowseClick(); });
    connect(StarcraftWav, &QCheckBox::toggled, this, [this] { StarcraftWavClick(); });
    connect(Add, &QPushButton::clicked, this, [this] { AddClick(); });
    FillList();
}

void TWavTable::FillList() {
    Wavs->clear();
    for (const std::string& line : m_store.SoundLines()) {
        // The path is shown through the map's text decoding, as every string is.
        const std::size_t colon = line.find(" : ");
        const std::string shown =
            colon == std::string::npos
                ? line
                : line.substr(0, colon + 3) + m_store.Text().Show(line.substr(colon + 3));
        Wavs->addItem(QString::fromStdString(shown));
    }
}

void TWavTable::BrowseClick() {
    const QString file = QFileDialog::getOpenFileName(this, "Open", "*.wav", "Wav files (*.wav)");
    if (!file.isEmpty()) {
        wavfilename->setText(file);
    }
}

void TWavTable::StarcraftWavClick() {
    // A sound from the game's archives has no archive name of its own.
    const bool fromGame = StarcraftWav->isChecked();
    MPQpathLabel->setVisible(!fromGame);
    MPQpath->setVisible(!fromGame);
}

void TWavTable::AddClick() {
    if (!wavfilename->text().isEmpty()) {
        const Result<int> added =
            m_store.AddSound(wavfilename->text().toStdString(),
                             StarcraftWav->isChecked() ? std::string() : MPQpath->text().toStdString(),
                             StarcraftWav->isChecked());
        if (added) {
            MPQpath->clear();
            wavfilename->clear();
        } else if (!added.error().empty()) { // empty: the user stopped at the encoding question
            m_ask.ShowError(added.error());  // the fields keep what was typed
        }
    }
    FillList();
}

} // namespace orv
