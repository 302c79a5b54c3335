#pragma once

// The new-map dialog: size, tileset and base terrain of a new scenario. It is made once and
// reused; its controls keep their values between uses. Widths and heights are even numbers
// from 2 to 256: typed freely or chosen from the usual sizes; OK refuses any other and says why.

#include <QDialog>

#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace orv {

class Prompter;

class TNewCHKDLG : public QDialog {
public:
    explicit TNewCHKDLG(Prompter& prompter, QWidget* parent = nullptr);

    static constexpr int kUsualSizes[] = {64, 96, 128, 192, 256};

    QSpinBox* Width;
    QSpinBox* Height;
    QComboBox* WidthSizes; // the usual sizes; choosing one fills Width
    QComboBox* HeightSizes;
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

    // Why `side` cannot be the map's width (`what` = "width") or height; empty when it can.
    static std::string SizeProblem(const std::string& what, int side);

private:
    Prompter& m_prompter;
};

} // namespace orv
