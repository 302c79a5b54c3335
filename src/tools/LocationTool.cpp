#include "tools/LocationTool.h"

#include "scenario/MapText.h"
#include "tools/RecordEdits.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace orv {
namespace {

using Handle = int;
constexpr Handle kTop = 0, kBottom = 1, kLeft = 2, kRight = 4, kTopLeft = 8, kTopRight = 16, kBottomLeft = 32,
                 kBottomRight = 64;

bool Near(std::int64_t a, std::int64_t b) {
    return std::abs(a - b) < TLocationTool::kNear;
}

LocationSlot& Slot(TCHK& chk, int slot) {
    return chk.Locations[static_cast<std::size_t>(slot)];
}

std::int32_t Clamp32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

// One step holding the slot's change and the strings it changed.
void RecordLocation(TToolContext& ctx, const std::string& name, int slot, const LocationSlot& before,
                    const std::vector<std::string>& stringsBefore, TToolReply& reply) {
    const LocationSlot& after = Slot(ctx.Chk, slot);
    auto strings = TStringsEdit::Between(stringsBefore, ctx.Chk.Strings.Entries);
    const bool moved = before.Left != after.Left || before.Top != after.Top || before.Right != after.Right ||
                       before.Bottom != after.Bottom || before.Name != after.Name ||
                       before.Flags != after.Flags || before.InUse != after.InUse;
    if (!moved && !strings) {
        return;
    }
    ctx.History.Begin(name);
    if (moved) {
        ctx.History.Add(std::make_unique<TLocationEdit>(slot, before, after));
        reply.Change.Locations = true;
    }
    if (strings) {
        ctx.History.Add(std::move(strings));
        reply.Change.Strings = true;
    }
    ctx.History.Commit();
}

// How far a move by (dx, dy) takes a location: never further past the map's edges than it
// already lies (a location the map holds partly outside may stay there; a click moves nothing).
std::pair<std::int64_t, std::int64_t> MoveShift(const TCHK& chk, const LocationSlot& l, std::int64_t dx,
                                                std::int64_t dy) {
    const TLocationBox b = TLocationBox::Of(l);
    auto shift = [](std::int64_t wanted, std::int64_t low, std::int64_t high) {
        return std::clamp(wanted, std::min<std::int64_t>(0, low), std::max<std::int64_t>(0, high));
    };
    return {shift(dx, -b.Left, std::int64_t{chk.Width} * 32 - b.Right),
            shift(dy, -b.Top, std::int64_t{chk.Height} * 32 - b.Bottom)};
}

} // namespace

int LocationCapacity(const TCHK& chk) {
    return chk.FormatKind() == 1 ? 64 : 255;
}

TLocationBox TLocationBox::Of(const LocationSlot& l) {
    return {std::min(l.Left, l.Right), std::min(l.Top, l.Bottom), std::max(l.Left, l.Right),
            std::max(l.Top, l.Bottom)};
}

int TLocationTool::LocationAt(const TCHK& chk, std::int64_t x, std::int64_t y) {
    for (int i = kLocationSlots - 1; i >= 1; --i) {
        const LocationSlot& l = chk.Locations[static_cast<std::size_t>(i)];
        if (i != kAnywhereSlot && l.InUse && TLocationBox::Of(l).Contains(x, y)) {
            return i;
        }
    }
    return -1;
}

void TLocationTool::Move(TToolContext& ctx, const TPointerEvent& event, TToolReply&) {
    TEditState& e = ctx.Edit;
    const std::int64_t x = event.MapX(), y = event.MapY();
    e.LocationOverEdge = false;
    if (!event.leftHeld) {
        e.LocationCanAdd = LocationAt(ctx.Chk, x, y) < 0;
        e.Caption = e.LocationCanAdd ? "Can add" : "Cannot add";
        e.LocationDrag = false; // a release the window never saw (a message box took it)
    }
    if (!e.Selection.HasLocation(ctx.Chk)) {
        // Nothing selected (it may just have been deleted or undone): nothing to grab.
        e.Cursor = TCursorShape::Arrow;
        e.LocationInside = false;
    } else if (!e.LocationResize) {
        const TLocationBox b = TLocationBox::Of(Slot(ctx.Chk, e.Selection.Location));
        e.LocationInside = false;
        e.Cursor = TCursorShape::Arrow;
        // Edges reach 10 pixels each way along their length too; each later match wins.
        const bool alongX = x > b.Left - kNear && x < b.Right + kNear;
        const bool alongY = y > b.Top - kNear && y < b.Bottom + kNear;
        const bool left = Near(x, b.Left) && alongY, right = Near(x, b.Right) && alongY;
        const bool top = Near(y, b.Top) && alongX, bottom = Near(y, b.Bottom) && alongX;
        auto match = [&e](bool test, TCursorShape cursor, Handle handle) {
            if (test) {
                e.Cursor = cursor;
                e.LocationHandle = handle;
                e.LocationOverEdge = true;
            }
        };
        match(left, TCursorShape::SizeHorizontal, kLeft);
        match(right, TCursorShape::SizeHorizontal, kRight);
        match(top, TCursorShape::SizeVertical, kTop);
        match(bottom, TCursorShape::SizeVertical, kBottom);
        match(left && bottom, TCursorShape::SizeNeSw, kBottomLeft);
        match(left && top, TCursorShape::SizeNwSe, kTopLeft);
        match(right && bottom, TCursorShape::SizeNwSe, kBottomRight);
        match(right && top, TCursorShape::SizeNeSw, kTopRight);
        if (x >= b.Left + kNear && x <= b.Right - kNear && y >= b.Top + kNear && y <= b.Bottom - kNear) {
            e.Cursor = TCursorShape::PointingHand;
            e.LocationInside = true;
        }
    }
    if (event.leftHeld && e.LocationResize) {
        e.LocationCreating = false;
        e.LocationCanAdd = false;
    }
}

void TLocationTool::Press(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply) {
    if (event.button != TPointerEvent::Button::Left) {
        return;
    }
    // What lies under the press decides (as the last hover there found).
    TPointerEvent hover = event;
    hover.button = TPointerEvent::Button::None;
    hover.leftHeld = false;
    Move(ctx, hover, reply);
    TEditState& e = ctx.Edit;
    e.LocationResize = e.LocationOverEdge;
    e.LocationCreating = e.LocationCanAdd && !e.LocationResize;
    e.LocationMoving = e.LocationInside;
    if (e.LocationMoving) {
        e.MoveStartX = event.MapX();
        e.MoveStartY = event.MapY();
    }
    e.LocationDrag = true;
}

void TLocationTool::LeftRelease(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply) {
    // A drag that created, resized or moved a location is no click: the location stays
    // selected.
    m_gestureDone = (ctx.Edit.LocationCreating || ctx.Edit.LocationResize || ctx.Edit.LocationMoving) &&
                    (event.MapX() != ctx.Edit.PressX || event.MapY() != ctx.Edit.PressY);
    Create(ctx, event, reply);
    Resize(ctx, event, reply);
    MoveLocation(ctx, event, reply);
    ctx.Edit.LocationDrag = false;
    reply.Redraw = true;
}

void TLocationTool::Create(TToolContext& ctx, const TPointerEvent&, TToolReply& reply) {
    TEditState& e = ctx.Edit;
    // Tiles, inside the map; a drag along one row or column creates nothing.
    const int c1 = std::clamp(e.PressColumn, 0, static_cast<int>(ctx.Chk.Width));
    const int c2 = std::clamp(e.ReleaseColumn, 0, static_cast<int>(ctx.Chk.Width));
    const int r1 = std::clamp(e.PressRow, 0, static_cast<int>(ctx.Chk.Height));
    const int r2 = std::clamp(e.ReleaseRow, 0, static_cast<int>(ctx.Chk.Height));
    if (!e.LocationCreating || c1 == c2 || r1 == r2) {
        return;
    }
    e.LocationCreating = false;
    const int capacity = LocationCapacity(ctx.Chk);
    const int slot = ctx.Chk.FreeLocationSlot(capacity);
    if (slot < 0) {
        ctx.Ask.ShowMessage("Maximum number of locations reached (" + std::to_string(capacity) + ")");
        return;
    }
    const int left = std::min(c1, c2), top = std::min(r1, r2), right = std::max(c1, c2),
              bottom = std::max(r1, r2);
    const std::string offered = TCHK::DefaultLocationName(slot, left, top, right, bottom);
    const std::string typed =
        ctx.Ask.InputText("Name of new location", "Enter the name for the new location", offered)
            .value_or(offered);
    // A name the map's text cannot hold (and the user would not write as UTF-8) stops it.
    const std::optional<std::string> name = e.Text.Enter(typed, true, ctx.Ask);
    if (!name) {
        return;
    }
    const LocationSlot before = Slot(ctx.Chk, slot);
    const std::vector<std::string> strings = ctx.Chk.Strings.Entries;
    ctx.Chk.AddLocation(left, top, right, bottom, capacity, 32, *name);
    if (!name->empty() && Slot(ctx.Chk, slot).Name == 0) {
        Slot(ctx.Chk, slot) = before;
        ctx.Chk.Strings.Entries = strings;
        ctx.Ask.ShowMessage("The location's name cannot be stored: the string table is full.");
        return;
    }
    RecordLocation(ctx, "Create Location", slot, before, strings, reply);
    e.Selection.Location = slot;
    e.LocationMoving = false; // the new location is not also moved by this release
    e.LocationInside = false;
}

void TLocationTool::Resize(TToolContext& ctx, const TPointerEvent&, TToolReply& reply) {
    TEditState& e = ctx.Edit;
    if (!e.LocationResize || !e.Selection.HasLocation(ctx.Chk)) {
        return;
    }
    e.LocationResize = false;
    const int slot = e.Selection.Location;
    const LocationSlot before = Slot(ctx.Chk, slot);
    LocationSlot l = before;
    // The edges named by the handle (the left one is the smaller x, whichever field holds
    // it) go to the release tile's top-left corner, inside the map.
    const std::int32_t x = std::clamp(e.ReleaseColumn, 0, static_cast<int>(ctx.Chk.Width)) * 32;
    const std::int32_t y = std::clamp(e.ReleaseRow, 0, static_cast<int>(ctx.Chk.Height)) * 32;
    std::int32_t& leftEdge = l.Left <= l.Right ? l.Left : l.Right;
    std::int32_t& rightEdge = l.Left <= l.Right ? l.Right : l.Left;
    std::int32_t& topEdge = l.Top <= l.Bottom ? l.Top : l.Bottom;
    std::int32_t& bottomEdge = l.Top <= l.Bottom ? l.Bottom : l.Top;
    const Handle h = e.LocationHandle;
    const bool leftSide = h == kLeft || h == kTopLeft || h == kBottomLeft;
    const bool rightSide = h == kRight || h == kTopRight || h == kBottomRight;
    const bool topSide = h == kTop || h == kTopLeft || h == kTopRight;
    const bool bottomSide = h == kBottom || h == kBottomLeft || h == kBottomRight;
    if (leftSide) {
        leftEdge = x;
    }
    if (rightSide) {
        rightEdge = x;
    }
    if (topSide) {
        topEdge = y;
    }
    if (bottomSide) {
        bottomEdge = y;
    }
    // Dragged past the opposite edge: the edges of that axis trade places; the other axis
    // stays as the map had it.
    if ((leftSide || rightSide) && l.Left > l.Right) {
        std::swap(l.Left, l.Right);
    }
    if ((topSide || bottomSide) && l.Top > l.Bottom) {
        std::swap(l.Top, l.Bottom);
    }
    Slot(ctx.Chk, slot) = l;
    RecordLocation(ctx, "Resize Location", slot, before, ctx.Chk.Strings.Entries, reply);
}

void TLocationTool::MoveLocation(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply) {
    TEditState& e = ctx.Edit;
    if (!e.LocationMoving) {
        return;
    }
    e.LocationMoving = false;
    e.LocationInside = false;
    if (!e.Selection.HasLocation(ctx.Chk)) {
        return;
    }
    const int slot = e.Selection.Location;
    const LocationSlot before = Slot(ctx.Chk, slot);
    const auto [dx, dy] = MoveShift(ctx.Chk, before, std::int64_t{event.MapX()} - e.MoveStartX,
                                    std::int64_t{event.MapY()} - e.MoveStartY);
    LocationSlot& l = Slot(ctx.Chk, slot);
    l.Left = Clamp32(l.Left + dx);
    l.Right = Clamp32(l.Right + dx);
    l.Top = Clamp32(l.Top + dy);
    l.Bottom = Clamp32(l.Bottom + dy);
    RecordLocation(ctx, "Move Location", slot, before, ctx.Chk.Strings.Entries, reply);
}

TPopupMenu TLocationTool::RightRelease(TToolContext& ctx, const TPointerEvent& event) {
    if (!ctx.Edit.Selection.HasLocation(ctx.Chk)) {
        return TPopupMenu::None;
    }
    const TLocationBox b = TLocationBox::Of(Slot(ctx.Chk, ctx.Edit.Selection.Location));
    const std::int64_t x = event.MapX(), y = event.MapY();
    const bool inside = x > b.Left && x < b.Right && y > b.Top && y < b.Bottom;
    return inside ? TPopupMenu::Location : TPopupMenu::None;
}

void TLocationTool::ClickAction(TToolContext& ctx, TToolReply& reply) {
    TEditState& e = ctx.Edit;
    if (m_gestureDone) {
        m_gestureDone = false;
        return;
    }
    if (e.LocationResize || e.LocationCreating || e.LocationMoving) {
        return;
    }
    // The lowest shown slot under the point other than the one selected: clicking again
    // cycles through stacked locations, and deselects the only one.
    e.PreviousLocation = e.Selection.Location;
    e.Selection.Location = -1;
    for (int i = kLocationSlots - 1; i >= 1; --i) {
        const LocationSlot& l = Slot(ctx.Chk, i);
        if (i != kAnywhereSlot && l.InUse && ((l.Flags ^ 255u) & e.LocationElevationMask) != 0 &&
            TLocationBox::Of(l).Contains(e.ClickX, e.ClickY) && i != e.PreviousLocation) {
            e.Selection.Location = i;
        }
    }
    reply.Redraw = true;
}

void TLocationTool::DoubleClick(TToolContext& ctx, TToolReply& reply) {
    // The first click of a double click on the selected location deselected it (clicks
    // cycle): the double click is meant for that location.
    TEditState& e = ctx.Edit;
    if (!e.Selection.HasLocation(ctx.Chk) && e.PreviousLocation >= 1 && e.PreviousLocation < kLocationSlots &&
        Slot(ctx.Chk, e.PreviousLocation).InUse &&
        TLocationBox::Of(Slot(ctx.Chk, e.PreviousLocation)).Contains(e.ClickX, e.ClickY)) {
        e.Selection.Location = e.PreviousLocation;
        reply.Redraw = true;
    }
    if (ctx.Edit.Selection.HasLocation(ctx.Chk)) {
        reply.Dialog = TToolDialog::LocationProperties;
    }
}

void TLocationTool::Choose(TToolContext& ctx, TPopupItem item, TToolReply& reply) {
    if (item == TPopupItem::EditLocationProperties) {
        DoubleClick(ctx, reply);
    } else if (item == TPopupItem::DeleteLocation) {
        DeleteSelection(ctx, reply);
    }
}

void TLocationTool::DeleteSelection(TToolContext& ctx, TToolReply& reply) {
    const int slot = ctx.Edit.Selection.Location;
    if (!ctx.Edit.Selection.HasLocation(ctx.Chk) || slot == kAnywhereSlot) {
        return;
    }
    // The slot is freed; its name stays in the string table.
    const LocationSlot before = Slot(ctx.Chk, slot);
    ctx.Chk.DeleteLocation(slot);
    RecordLocation(ctx, "Delete Location", slot, before, ctx.Chk.Strings.Entries, reply);
    ctx.Edit.Selection.Location = -1;
    reply.Redraw = true;
}

Result<bool> TLocationTool::ApplyProperties(TToolContext& ctx, int slot, const TLocationProperties& p,
                                            TToolReply& reply) {
    if (slot < 1 || slot >= kLocationSlots || !Slot(ctx.Chk, slot).InUse) {
        return MakeError("No location is selected.");
    }
    const LocationSlot before = Slot(ctx.Chk, slot);
    LocationSlot l = before;
    // A rectangle the user changed must lie inside the map, its edges in order; one the map
    // came with is kept as it is.
    if (p.Left != l.Left || p.Top != l.Top || p.Right != l.Right || p.Bottom != l.Bottom) {
        const std::int64_t width = std::int64_t{ctx.Chk.Width} * 32,
                           height = std::int64_t{ctx.Chk.Height} * 32;
        auto check = [](const char* field, std::int64_t value, std::int64_t low,
                        std::int64_t high) -> Status {
            if (value < low || value > high) {
                return MakeError(std::string(field) + " must be from " + std::to_string(low) + " to " +
                                 std::to_string(high) + " (map pixels); it is " + std::to_string(value) +
                                 ".");
            }
            return {};
        };
        for (const Status& s : {check("Left", p.Left, 0, width), check("Right", p.Right, p.Left, width),
                                check("Top", p.Top, 0, height), check("Bottom", p.Bottom, p.Top, height)}) {
            if (!s) {
                return MakeError(s.error());
            }
        }
        l.Left = p.Left;
        l.Top = p.Top;
        l.Right = p.Right;
        l.Bottom = p.Bottom;
    }
    l.Flags = p.Flags;
    const std::vector<std::string> strings = ctx.Chk.Strings.Entries;
    // A name shown and given back unchanged keeps its bytes.
    const std::string& current = ctx.Chk.Strings.Text(l.Name);
    if (p.Name && *p.Name != ctx.Edit.Text.ShowTagged(current)) {
        const std::optional<std::string> bytes = ctx.Edit.Text.Enter(*p.Name, true, ctx.Ask);
        if (!bytes) {
            return false; // the user was told, or chose to stop
        }
        if (bytes->empty()) {
            // No name: no string (an empty entry counts as free and would be handed out again).
            l.Name = 0;
        } else if (l.Name >= 1 && l.Name <= ctx.Chk.Strings.Entries.size()) {
            ctx.Chk.Strings.Entries[l.Name - 1u] = *bytes;
        } else {
            const int index = ctx.Chk.AddString(*bytes);
            if (index < 0 || index >= 0xFFFF) {
                ctx.Chk.Strings.Entries = strings;
                return MakeError("The name cannot be stored: the string table is full.");
            }
            l.Name = static_cast<std::uint16_t>(index + 1);
        }
    }
    Slot(ctx.Chk, slot) = l;
    RecordLocation(ctx, "Location Properties", slot, before, strings, reply);
    reply.Redraw = true;
    return true;
}

std::optional<TLocationOutline> LocationToolOutline(const TCHK& chk, const TEditState& e, std::int64_t x,
                                                    std::int64_t y) {
    if (!e.LocationDrag || e.Mode != kModeLocations) {
        return std::nullopt;
    }
    if (e.LocationCreating) {
        return TLocationOutline{std::int64_t{e.PressColumn} * 32, std::int64_t{e.PressRow} * 32, x, y};
    }
    if (!e.Selection.HasLocation(chk)) {
        return std::nullopt;
    }
    const TLocationBox b = TLocationBox::Of(chk.Locations[static_cast<std::size_t>(e.Selection.Location)]);
    if (e.LocationMoving && !e.LocationResize) {
        const auto [dx, dy] = MoveShift(chk, chk.Locations[static_cast<std::size_t>(e.Selection.Location)],
                                        x - e.MoveStartX, y - e.MoveStartY);
        return TLocationOutline{b.Left + dx, b.Top + dy, b.Right + dx, b.Bottom + dy};
    }
    if (!e.LocationResize) {
        return std::nullopt;
    }
    TLocationOutline o{b.Left, b.Top, b.Right, b.Bottom};
    const Handle h = e.LocationHandle;
    if (h == kLeft || h == kTopLeft || h == kBottomLeft) {
        o.X1 = x;
    }
    if (h == kRight || h == kTopRight || h == kBottomRight) {
        o.X2 = x;
    }
    if (h == kTop || h == kTopLeft || h == kTopRight) {
        o.Y1 = y;
    }
    if (h == kBottom || h == kBottomLeft || h == kBottomRight) {
        o.Y2 = y;
    }
    return o;
}

} // namespace orv
