#pragma once

// The "Strings" page of the scenario settings window: every string of the map in a coloured
// list (the formatting bytes switch the colour) above a field that edits the chosen one.
// Clicking another line keeps the edit in the list; the lines edited are written into the
// string table when the window closes.

#include <QWidget>

#include <string>

class QListWidget;
class QListWidgetItem;

namespace orv {

class TSettingsStore;
class TStringFrm;

class TStringEditorFrame : public QWidget {
public:
    explicit TStringEditorFrame(TSettingsStore& store, QWidget* parent = nullptr);

    // The map's strings, none current, the field empty.
    void Load();
    // Writes the lines that differ from the map's strings; false when one was refused (the
    // user was told, the line becomes current).
    bool StoreCurrent();

    // The list text of line `index`: the string as the field shows it (tags for the
    // formatting bytes), the edit once the line was left.
    std::string LineText(int index) const;

    QListWidget* CHKStrings;
    TStringFrm* StringFrame;

    void CHKStringsClick(QListWidgetItem* item);

private:
    void KeepEdit();

    TSettingsStore& m_store;
    QListWidgetItem* m_current = nullptr;
};

} // namespace orv
