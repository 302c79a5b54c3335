#include "tools/FogTool.h"

#include <algorithm>

namespace orv {

std::uint8_t FogBit(int player) {
    return player >= 0 && player < 8 ? static_cast<std::uint8_t>(1u << player) : 0;
}

TFogStroke::TFogStroke(TCHK& chk, int player, int radius)
    : m_chk(chk), m_bit(FogBit(player)), m_radius(std::clamp(radius, 0, 256)) {}

void TFogStroke::Paint(int column, int row) {
    if (m_bit == 0 || column < 0 || row < 0 || column >= m_chk.Width || row >= m_chk.Height) {
        return;
    }
    if (!m_set) {
        m_set = (m_chk.Fog(column, row) & m_bit) == 0;
    }
    const int left = std::max(0, column - m_radius), right = std::min(m_chk.Width, column + m_radius + 1);
    const int top = std::max(0, row - m_radius), bottom = std::min(m_chk.Height, row + m_radius + 1);
    for (int r = top; r < bottom; ++r) {
        for (int c = left; c < right; ++c) {
            std::uint8_t& fog = m_chk.Fog(c, r);
            m_before.try_emplace(TCHK::Cell(c, r), fog);
            fog = static_cast<std::uint8_t>(*m_set ? fog | m_bit : fog & ~m_bit);
        }
    }
    if (m_touched.Left < m_touched.Right) {
        m_touched = {std::min(m_touched.Left, left), std::min(m_touched.Top, top),
                     std::max(m_touched.Right, right), std::max(m_touched.Bottom, bottom)};
    } else {
        m_touched = {left, top, right, bottom};
    }
}

std::unique_ptr<TFogEdit> TFogStroke::Finish() {
    if (m_touched.Left >= m_touched.Right) {
        return nullptr;
    }
    const TileRect rect = m_touched;
    const auto size = static_cast<std::size_t>((rect.Right - rect.Left) * (rect.Bottom - rect.Top));
    std::vector<std::uint8_t> before(size), after(size);
    bool changed = false;
    std::size_t i = 0;
    for (int r = rect.Top; r < rect.Bottom; ++r) {
        for (int c = rect.Left; c < rect.Right; ++c, ++i) {
            after[i] = m_chk.Fog(c, r);
            const auto old = m_before.find(TCHK::Cell(c, r));
            before[i] = old != m_before.end() ? old->second : after[i];
            changed = changed || before[i] != after[i];
        }
    }
    m_before.clear();
    m_touched = {0, 0, 0, 0};
    if (!changed) {
        return nullptr;
    }
    return std::make_unique<TFogEdit>(rect, std::move(before), std::move(after));
}

std::unique_ptr<TFogEdit> FogAll(TCHK& chk, int player, bool on) {
    const std::uint8_t bit = FogBit(player);
    if (bit == 0 || chk.Width <= 0 || chk.Height <= 0) {
        return nullptr;
    }
    const TileRect rect{0, 0, std::min(chk.Width, 256), std::min(chk.Height, 256)};
    std::vector<std::uint8_t> before, after;
    bool changed = false;
    for (int r = rect.Top; r < rect.Bottom; ++r) {
        for (int c = rect.Left; c < rect.Right; ++c) {
            std::uint8_t& fog = chk.Fog(c, r);
            before.push_back(fog);
            fog = static_cast<std::uint8_t>(on ? fog | bit : fog & ~bit);
            after.push_back(fog);
            changed = changed || before.back() != fog;
        }
    }
    if (!changed) {
        return nullptr;
    }
    return std::make_unique<TFogEdit>(rect, std::move(before), std::move(after));
}

void TFogTool::Press(TToolContext& ctx, const TPointerEvent& event, TToolReply& reply) {
    if (event.button != TPointerEvent::Button::Left) {
        return;
    }
    m_stroke = std::make_unique<TFogStroke>(ctx.Chk, ctx.Edit.CurrentPlayer, ctx.Edit.FogBrushRadius);
    m_stroke->Paint(event.Column(), event.Row());
    reply.Change.Fog = true;
}

void TFogTool::Move(TToolContext&, const TPointerEvent& event, TToolReply& reply) {
    if (m_stroke && event.leftHeld) {
        m_stroke->Paint(event.Column(), event.Row());
        reply.Change.Fog = true;
    }
}

void TFogTool::LeftRelease(TToolContext& ctx, const TPointerEvent&, TToolReply& reply) {
    if (m_stroke) {
        // The whole drag is one step.
        ctx.History.Record("Fog of War", m_stroke->Finish());
        m_stroke.reset();
        reply.Change.Fog = true;
    }
}

} // namespace orv
