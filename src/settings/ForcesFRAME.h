#pragma once

// The "Forces" page of the scenario settings window: the four forces side by side, each with
// its name, its players and its options. Players are moved between forces by dragging them
// from one list to another (stored at once); the names and options when the window closes.

#include <QListWidget>
#include <QWidget>

#include <array>
#include <string>

class QCheckBox;
class QGroupBox;
class QLineEdit;

namespace orv {

class Prompter;
class TSettingsStore;
class TPlayerForcesFrame;

// A force's player list: a drag source, and a drop target for the other lists' players.
class TForceList : public QListWidget {
public:
    TForceList(TPlayerForcesFrame& page, QWidget* parent);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    TPlayerForcesFrame& m_page;
};

class TPlayerForcesFrame : public QWidget {
public:
    TPlayerForcesFrame(TSettingsStore& store, Prompter& ask, QWidget* parent = nullptr);

    void Load();
    // Stores the force names and options that differ from the map's; false when a value was
    // refused (the user was told).
    bool StoreCurrent();

    std::array<QGroupBox*, 4> ForceGB{};
    std::array<QLineEdit*, 4> Force{};
    std::array<TForceList*, 4> ForceLB{};
    std::array<QCheckBox*, 4> Allied{}, AlliedVict{}, RandomPos{}, Vision{};

    // The group captions follow the names.
    void Force1Change();
    // "Allied victory" is offered only to allied forces.
    void Allied1Click();
    // A drop on `target`: the source's selected player joins the target's force (nothing
    // when none is selected). The list item carries its player index.
    void Force2LBDragDrop(QListWidget* source, QListWidget* target);

private:
    int Flags(int force) const;

    TSettingsStore& m_store;
    Prompter& m_ask;
    std::array<std::string, 4> m_names; // the names as shown when loaded
};

} // namespace orv
