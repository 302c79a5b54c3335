#pragma once

// Units mode: with a unit type chosen, a click places one unit and a left drag lays a trail
// of them (one step), where the type fits; with none chosen, a click or a drag selects. The
// selected units' menu, properties and deletion; the right button or Escape ends placing.

#include "base/Result.h"
#include "tools/ModeTool.h"

#include <array>
#include <optional>
#include <string>

namespace orv {

// What the unit properties dialog (and `orvistad-cli edit`) writes into every selected unit:
// numbers as typed, checked by ParseUnitProperties.
struct TUnitProperties {
    int Owner = 0; // 0 to 11 (a map may hold others: kept as they are)
    std::uint8_t HitPoints = 100, Shields = 100, Energy = 100; // percent (typed values modulo 256)
    std::uint32_t Resources = 0;
    std::int32_t Hangar = 0; // 0 to 65535 (the file keeps 16 bits)
    std::int32_t State = 0;  // cloaked 1, burrowed 2, in transit 4, hallucinated 8, invincible 16
    static TUnitProperties Of(const UnitRecord& unit);
    void WriteInto(UnitRecord& unit) const;
    bool operator==(const TUnitProperties&) const = default;
};

// The typed texts of the five number fields (hit points, shields, energy, resources, hangar):
// a text that is not a whole number, or out of its range, is refused naming the field.
Result<TUnitProperties> ParseUnitProperties(int owner, const std::array<std::string, 5>& fields, int state);

class TUnitTool : public TModeTool {
public:
    static constexpr const char* kUnitLimitMessage = "Max number of units reached (1650)";

    void Press(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply) override;
    // Whether the chosen type fits under the pointer; with the left button held, a unit of the
    // trail is placed there.
    void Move(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply) override;
    void LeftRelease(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply) override;
    // With a unit type chosen, places one at the click point; otherwise selects.
    void ClickAction(TToolContext& ctx, TToolReply& reply) override;
    // With units selected the menu opens; otherwise the right button ends placing.
    TPopupMenu RightRelease(TToolContext& ctx, const TPointerEvent& event) override;
    void DoubleClick(TToolContext& ctx, TToolReply& reply) override;
    void Choose(TToolContext& ctx, TPopupItem item, TToolReply& reply) override;
    void DeleteSelection(TToolContext& ctx, TToolReply& reply) override;
    void Escape(TToolContext& ctx, TToolReply& reply) override;
    bool InGesture() const override { return m_trail; }

    // Writes the properties into every selected unit as one step "Unit Properties".
    static void ApplyProperties(TToolContext& ctx, const TUnitProperties& properties, TToolReply& reply);

private:
    // Places a unit of the chosen type at (x, y) when it fits; false when it did not.
    bool Place(TToolContext& ctx, int x, int y, TToolReply& reply);
    bool m_trail = false;       // a left drag with a type chosen is under way
    bool m_trailPlaced = false; // it placed units (its release is no click of its own)
    bool m_limitShown = false;  // the unit limit was told once in this gesture
};

} // namespace orv
