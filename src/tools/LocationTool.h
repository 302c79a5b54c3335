#pragma once

// Locations mode: a drag on empty ground creates a location (its name asked for), a drag on
// an edge or corner of the selected location resizes it, a drag inside it moves it; a click
// selects (repeated clicks cycle through stacked locations); the menu and the double click
// open its properties; Delete frees its slot. Every change is one step of the history.
// Tolerances are in map pixels, so they are the same at every zoom.

#include "tools/ModeTool.h"

#include <optional>

namespace orv {

// The location slots a scenario can keep: the file holds 64 in the original format and 255
// in the others, so slots past them would be lost on saving.
int LocationCapacity(const TCHK& chk);

// A location's rectangle with its edges in order.
struct TLocationBox {
    std::int64_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    static TLocationBox Of(const LocationSlot& l);
    bool Contains(std::int64_t x, std::int64_t y) const {
        return x >= Left && x <= Right && y >= Top && y <= Bottom;
    }
};

// What the location dialog and `orvistad-cli edit` change.
struct TLocationProperties {
    std::optional<std::string> Name; // the text field's text (tags included); none: unchanged
    std::uint16_t Flags = 0;         // elevation bits 0-5 (set = excluded) and the colour bits
    std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};

class TLocationTool : public TModeTool {
public:
    static constexpr int kNear = 10; // pixels: the reach of edges and corners

    void Press(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply) override;
    // The hover: "Can add" / "Cannot add", and the handle and cursor over the selected location.
    void Move(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply) override;
    // The create, resize and move steps, in that order.
    void LeftRelease(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply) override;
    // The menu opens when the right release lies strictly inside the selected location.
    TPopupMenu RightRelease(TToolContext& ctx, const TPointerEvent& event) override;
    void ClickAction(TToolContext& ctx, TToolReply& reply) override;
    void DoubleClick(TToolContext& ctx, TToolReply& reply) override;
    void Choose(TToolContext& ctx, TPopupItem item, TToolReply& reply) override;
    void DeleteSelection(TToolContext& ctx, TToolReply& reply) override;

    // The slot that covers map pixel (x, y), from 255 down (the whole-map slot left out):
    // -1 when none does (a new location can start there).
    static int LocationAt(const TCHK& chk, std::int64_t x, std::int64_t y);

    // Applies the properties to `slot` as one step "Location Properties": a changed name is
    // stored in the map's text encoding (asking when it cannot hold it; a location without a
    // name gets a new string), the rectangle must lie inside the map with its edges in order.
    // A refused value is named in the error and nothing changes; false when the user stopped
    // the edit at the encoding question (already answered, nothing changes).
    static Result<bool> ApplyProperties(TToolContext& ctx, int slot, const TLocationProperties& properties,
                                        TToolReply& reply);

private:
    void Create(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply);
    void Resize(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply);
    void MoveLocation(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply);
    bool m_gestureDone = false; // the last release ended a drag: its click selects nothing
};

// The outline the display draws for the gesture under way (map pixels), with the pointer at
// map pixel (x, y): the moved or resized rectangle of the selected location, or the new one.
struct TLocationOutline {
    std::int64_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
};
std::optional<TLocationOutline> LocationToolOutline(const TCHK& chk, const TEditState& edit, std::int64_t x,
                                                    std::int64_t y);

} // namespace orv
