#pragma once

// The location properties dialog: the name (a tagged text field), the six elevations the
// location applies to, its colour, and its rectangle in map pixels. OK hands the values to
// the window, which applies them as one step or names the field it refused (the dialog then
// stays open); Cancel changes nothing.

#include <QDialog>

#include "tools/LocationTool.h"

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace orv {

class TStringFrm;
class TMapText;

class TLocationForm : public QDialog {
public:
    TLocationForm(const TCHK& chk, int slot, const TMapText& text, QWidget* parent = nullptr);

    // The values as the dialog holds them (the name only when it was changed).
    TLocationProperties Properties() const;
    // Asked on OK: true closes the dialog.
    std::function<bool(const TLocationProperties&)> OnApply;

    TStringFrm* NameFrame = nullptr;
    std::array<QCheckBox*, 6> Elevations{}; // "Low Ground" ... "High Air"
    QComboBox* Colour = nullptr;            // "BLUE", "GREEN", "RED"
    std::array<QSpinBox*, 4> Edges{};       // left, top, right, bottom

    void accept() override;
};

} // namespace orv
