#pragma once

// The new-map dialog: size, tileset and base terrain of a new scenario. It is made once and
// reused; its controls keep their values between uses.

#include <QDialog>

#include <functional>

class QCheckBox;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace orv {

class TNewCHKDLG : public QDialog {
public:
    explicit TNewCHKDLG(QWidget* parent = nullptr);

    QSpinBox* Width;
    QSpinBox* Height;
    QCheckBox* Square;
    QListWidget* Tileset;
    QListWidget* Terrain;
    QPushButton* CreateMapBTN;
    QPushButton* CancelBTN;

    // Runs when OK is pressed: terrain group, tileset number, width, height.
    std::function<void(int terrainGroup, int tileset, int width, int height)> OnCreateMap;

    void TilesetClick();
    void SquareClick();
    void widthChange();
    void CreateMapBTNClick();
    void CancelBTNClick();

    // The terrain group the selection stands for.
    int SelectedTerrainGroup() const;
};

} // namespace orv
