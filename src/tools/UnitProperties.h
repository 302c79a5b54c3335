#pragma once

// The unit properties dialog: the first selected unit's owner, hit points, shields and energy
// (percent), resources, units in hangar and state flags. Closing it in any way writes its
// fields into every selected unit as one step; a field that is not a whole number or out of
// its range is named and the dialog stays open until it is mended.

#include <QDialog>

#include "tools/UnitTool.h"

#include <array>
#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace orv {

class TUnitForm : public QDialog {
public:
    // `unit` is the first selected unit; `typeName` the first part of its type's name.
    TUnitForm(const UnitRecord& unit, const std::string& typeName, QWidget* parent = nullptr);

    // The dialog's values, or the field refused.
    Result<TUnitProperties> Properties() const;
    // Asked on every close with the values; an error is shown by the caller and keeps the
    // dialog open.
    std::function<bool(const Result<TUnitProperties>&)> OnApply;

    QComboBox* UnitOwner = nullptr;
    std::array<QLineEdit*, 5> Fields{}; // HP, SP, Energy, Resources, Hanger
    std::array<QCheckBox*, 5> States{}; // Cloaked, Burrowed, In Transit, Hallucinated, Invincible

    void done(int result) override;

private:
    std::string m_typeName;
    void UpdateCaption();
};

} // namespace orv
