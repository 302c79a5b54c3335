#include "tools/UnitTool.h"

#include "tools/RecordEdits.h"

#include <charconv>

namespace orv {

TUnitProperties TUnitProperties::Of(const UnitRecord& unit) {
    TUnitProperties p;
    p.Owner = unit.Owner;
    p.HitPoints = unit.HitPoints;
    p.Shields = unit.Shields;
    p.Energy = unit.Energy;
    p.Resources = unit.Resources;
    p.Hangar = unit.Hangar;
    p.State = unit.State;
    return p;
}

void TUnitProperties::WriteInto(UnitRecord& unit) const {
    unit.Owner = static_cast<std::uint8_t>(Owner);
    unit.HitPoints = HitPoints;
    unit.Shields = Shields;
    unit.Energy = Energy;
    unit.Resources = Resources;
    unit.Hangar = Hangar;
    unit.State = State;
}

Result<TUnitProperties> ParseUnitProperties(int owner, const std::array<std::string, 5>& fields, int state) {
    struct Field {
        const char* name;
        std::int64_t high;
    };
    // Percentages are kept in a byte: a larger number is stored modulo 256, as typed.
    static constexpr std::array<Field, 5> kFields{{{"Hit Point %", INT32_MAX},
                                                   {"Shield Point %", INT32_MAX},
                                                   {"Energy %", INT32_MAX},
                                                   {"Resources", UINT32_MAX},
                                                   {"In Hanger", 65535}}};
    std::array<std::int64_t, 5> values{};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        std::string_view text = fields[i];
        while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
            text.remove_prefix(1);
        }
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
            text.remove_suffix(1);
        }
        std::int64_t value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
            return MakeError(std::string(kFields[i].name) + ": \"" + fields[i] + "\" is not a whole number.");
        }
        if (value < 0 || value > kFields[i].high) {
            return MakeError(std::string(kFields[i].name) + " must be from 0 to " +
                             std::to_string(kFields[i].high) + "; it is " + std::to_string(value) + ".");
        }
        values[i] = value;
    }
    if (owner < 0 || owner > 255) {
        return MakeError("The owner must be a player from 1 to 12.");
    }
    TUnitProperties p;
    p.Owner = owner;
    p.HitPoints = static_cast<std::uint8_t>(values[0] % 256);
    p.Shields = static_cast<std::uint8_t>(values[1] % 256);
    p.Energy = static_cast<std::uint8_t>(values[2] % 256);
    p.Resources = static_cast<std::uint32_t>(values[3]);
    p.Hangar = static_cast<std::int32_t>(values[4]);
    p.State = state & 31;
    return p;
}

bool TUnitTool::Place(TToolContext& ctx, int x, int y, TToolReply& reply) {
    TEditState& e = ctx.Edit;
    const int type = e.CurrentUnitType;
    if (!CanPlaceUnit(ctx.Chk, e.Placement, type, x, y)) {
        return false;
    }
    const TMapPoint at = SnapToGrid(ctx.Chk, e.Placement, type, x, y);
    if (ctx.Chk.AddUnit(at.X, at.Y, e.CurrentPlayer, type) < 0) {
        if (!m_limitShown) {
            ctx.Ask.ShowMessage(kUnitLimitMessage);
            m_limitShown = true;
        }
        return false;
    }
    auto edit = std::make_unique<TUnitsAddedEdit>(std::vector<UnitRecord>{ctx.Chk.Units.back()});
    if (ctx.History.InStep()) {
        ctx.History.Add(std::move(edit));
    } else {
        ctx.History.Record("Place Unit", std::move(edit));
    }
    e.Selection.Units.clear();
    e.UnitPlaceable = false;
    reply.Change.Units = true;
    reply.UnitCount = "Number of units: " + std::to_string(ctx.Chk.Units.size());
    return true;
}

void TUnitTool::Press(TToolContext& ctx, const TPointerEvent& event, TToolReply&) {
    if (event.button != TPointerEvent::Button::Left || ctx.Edit.CurrentUnitType < 0) {
        return;
    }
    if (m_trail) {
        ctx.History.Commit(); // a trail whose release never came
    }
    // A drag lays a trail of units: one step.
    ctx.History.Begin("Place Unit");
    m_trail = true;
    m_trailPlaced = false;
    m_limitShown = false;
}

void TUnitTool::Move(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply) {
    TEditState& e = ctx.Edit;
    if (m_trail && !event.leftHeld) {
        // The release went elsewhere (a message box took it): the trail ends here.
        ctx.History.Commit();
        m_trail = false;
    }
    if (e.CurrentUnitType < 0) {
        return;
    }
    if (m_trail && event.leftHeld && Place(ctx, event.MapX(), event.MapY(), reply)) {
        m_trailPlaced = true;
    }
    e.UnitPlaceable = CanPlaceUnit(ctx.Chk, e.Placement, e.CurrentUnitType, event.MapX(), event.MapY());
}

void TUnitTool::LeftRelease(TToolContext& ctx, const TPointerEvent&, TToolReply&) {
    if (m_trail) {
        ctx.History.Commit(); // a trail that placed nothing leaves no step
        m_trail = false;
    }
}

void TUnitTool::ClickAction(TToolContext& ctx, TToolReply& reply) {
    TEditState& e = ctx.Edit;
    if (e.CurrentUnitType >= 0) {
        // The release that ends a trail is no placement of its own.
        if (!m_trailPlaced) {
            m_limitShown = false;
            Place(ctx, e.ClickX, e.ClickY, reply);
        }
        m_trailPlaced = false;
        return;
    }
    e.Selection.Units.clear();
    for (int index : UnitsInRect(ctx.Chk, TSelectRect::Between(e.PressX, e.PressY, e.ReleaseX, e.ReleaseY))) {
        e.Selection.Units.push_back(ctx.Chk.Units[static_cast<std::size_t>(index)].Key);
    }
    reply.Redraw = true;
}

TPopupMenu TUnitTool::RightRelease(TToolContext& ctx, const TPointerEvent&) {
    if (ctx.Edit.Selection.AnyUnit(ctx.Chk)) {
        return TPopupMenu::Unit;
    }
    ctx.Edit.CurrentUnitType = -1;
    return TPopupMenu::None;
}

void TUnitTool::DoubleClick(TToolContext& ctx, TToolReply& reply) {
    if (ctx.Edit.Selection.AnyUnit(ctx.Chk)) {
        reply.Dialog = TToolDialog::UnitProperties;
    }
}

void TUnitTool::Choose(TToolContext& ctx, TPopupItem item, TToolReply& reply) {
    if (item == TPopupItem::EditUnitProperties) {
        DoubleClick(ctx, reply);
    } else if (item == TPopupItem::DeleteUnit) {
        DeleteSelection(ctx, reply);
    }
}

void TUnitTool::DeleteSelection(TToolContext& ctx, TToolReply& reply) {
    if (auto edit = TUnitsRemovedEdit::Remove(ctx.Chk, ctx.Edit.Selection.UnitIndices(ctx.Chk))) {
        ctx.History.Record("Delete Unit", std::move(edit));
        reply.Change.Units = true;
        reply.UnitCount = "Number of units: " + std::to_string(ctx.Chk.Units.size());
    }
}

void TUnitTool::Escape(TToolContext& ctx, TToolReply& reply) {
    ctx.Edit.CurrentUnitType = -1;
    reply.Redraw = true;
}

void TUnitTool::ApplyProperties(TToolContext& ctx, const TUnitProperties& p, TToolReply& reply) {
    // Every selected unit gets every field, so several units become equal in all of them.
    auto edit = std::make_unique<TUnitsChangedEdit>();
    for (int index : ctx.Edit.Selection.UnitIndices(ctx.Chk)) {
        UnitRecord& u = ctx.Chk.Units[static_cast<std::size_t>(index)];
        if (TUnitProperties::Of(u) != p) {
            const UnitRecord before = u;
            p.WriteInto(u);
            edit->Add(before, u);
        }
    }
    if (!edit->Empty()) {
        ctx.History.Record("Unit Properties", std::move(edit));
        reply.Change.Units = true;
    }
}

} // namespace orv
