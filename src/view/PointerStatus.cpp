#include "view/PointerStatus.h"

#include "base/ByteReader.h"
#include "graphics/CTileset.h"
#include "graphics/RuleTables.h"

#include <algorithm>

namespace orv {
namespace {

// The first part of a rule-table text (the name before its NUL-separated extras).
std::string StatText(const TGameData& data, std::size_t id) {
    if (id == 0 || id > data.StatTxt.size()) {
        return {};
    }
    const std::string& text = data.StatTxt[id - 1];
    return text.substr(0, text.find('\0'));
}

std::string UnitName(const TGameData& data, int type) {
    if (type >= 0 && static_cast<std::size_t>(type) < data.UnitNameParts.size() &&
        !data.UnitNameParts[static_cast<std::size_t>(type)].empty()) {
        return data.UnitNameParts[static_cast<std::size_t>(type)].front();
    }
    return "Unit " + std::to_string(type);
}

} // namespace

std::string PointerStatus(const TCHK& chk, const TGameData& data, std::int64_t x, std::int64_t y) {
    if (x < 0 || y < 0 || x >= std::int64_t{chk.Width} * 32 || y >= std::int64_t{chk.Height} * 32) {
        return {};
    }
    const int column = static_cast<int>(x / 32), row = static_cast<int>(y / 32);
    std::string text = "X:" + std::to_string(column) + ", Y:" + std::to_string(row);
    // Units, the last drawn (topmost) first: the box of their dimensions around the centre.
    const UnitsTable units(data.UnitsDat);
    for (auto u = chk.Units.rbegin(); u != chk.Units.rend(); ++u) {
        const auto [left, up, right, down] = units.Dimensions(std::clamp(u->Type, 0, 227));
        if (x >= u->X - left && x <= u->X + right && y >= u->Y - up && y <= u->Y + down) {
            return text + " - " + UnitName(data, u->Type) + ", Player " + std::to_string(u->Owner + 1);
        }
    }
    for (auto d = chk.Doodads.rbegin(); d != chk.Doodads.rend(); ++d) {
        const TileRect f = chk.FootprintRect(*d);
        if (column >= f.Left && column < f.Right && row >= f.Top && row < f.Bottom) {
            std::string name = chk.TilesetLink
                                   ? StatText(data, chk.TilesetLink->DoodadInfo(d->Number).NameString)
                                   : std::string();
            return text + " - " + (name.empty() ? "Doodad " + std::to_string(d->Number) : name);
        }
    }
    std::string locations;
    for (int slot = 0; slot < kLocationSlots; ++slot) {
        const LocationSlot& l = chk.Locations[static_cast<std::size_t>(slot)];
        const std::int64_t left = std::min(l.Left, l.Right), right = std::max(l.Left, l.Right);
        const std::int64_t top = std::min(l.Top, l.Bottom), bottom = std::max(l.Top, l.Bottom);
        if (!l.InUse || slot == kAnywhereSlot || x < left || x >= right || y < top || y >= bottom) {
            continue;
        }
        const std::string& name = chk.Strings.Text(l.Name);
        locations +=
            (locations.empty() ? "" : ", ") + (name.empty() ? "Location " + std::to_string(slot + 1) : name);
    }
    return locations.empty() ? text : text + " - " + locations;
}

} // namespace orv
