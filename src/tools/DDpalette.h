#pragma once

// The doodad palette of a map window: the tileset's doodad groups by their group names, a
// track bar through the doodads of the chosen group, and a 200 x 200 preview of the chosen
// one (bottom-aligned, cut at the edges). Choosing tells the window, which places that
// doodad in Doodads mode.

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QSlider;

namespace orv {

class CStarcraftTileset;
class TPaintboxEx;

class TDoodadPalette : public QDialog {
public:
    // `names` is the game's string table (group names are 1-based string numbers into it).
    TDoodadPalette(const CStarcraftTileset& tileset, const std::vector<std::string>& names, QWidget* parent);

    // The window's tileset changed: the groups are read again.
    void Rebuild(const CStarcraftTileset& tileset);

    // A doodad was chosen (`place`: by the user, who now places it; false while the palette
    // is built, which only makes the first doodad current).
    std::function<void(int doodad, bool place)> OnChoose;
    // The preview was clicked: the window goes to Doodads mode.
    std::function<void()> OnPreviewClick;

    QComboBox* Doodadbox = nullptr;
    TPaintboxEx* DoodadPB = nullptr;
    QSlider* doodadticker = nullptr;
    // The doodads of the chosen group, ascending, and the preview of the chosen one.
    std::vector<int> Doodads;
    QImage Preview;

    void DoodadboxChange();
    void doodadtickerChange();

private:
    const CStarcraftTileset* m_tileset = nullptr;
    const std::vector<std::string>& m_names;
    bool m_building = false;
};

} // namespace orv
