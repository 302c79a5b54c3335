#include "cli/TilesetSheet.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "app/GameData.h"
#include "graphics/OrvistadTypes.h"

#include <algorithm>
#include <map>
#include <vector>

namespace orv::cli {
namespace {

constexpr int kWidth = 1040;
constexpr int kMargin = 8;

class Sheet {
public:
    explicit Sheet(const CStarcraftTileset& tileset) : m_tileset(tileset) {}

    // Every drawing step is recorded first, so the picture's height is known before it is made.
    void Text(const QString& text, int size = 11, bool bold = false) {
        m_items.push_back({Item::Text, m_x, m_y, 0, 0, text, size, bold});
        m_y += size + 8;
        m_x = kMargin;
    }
    void Tile(int value, int x, int y) { m_items.push_back({Item::Tile, x, y, value, 0, {}, 0, false}); }
    void Sprite(const TDoodadGRP* sheet, int frame, int x, int y) {
        m_items.push_back({Item::Sprite, x, y, frame, 0, {}, 0, false, sheet});
    }
    void Label(const QString& text, int x, int y) {
        m_items.push_back({Item::Text, x, y, 0, 0, text, 8, false});
    }

    int x() const { return m_x; }
    int y() const { return m_y; }
    void Move(int x, int y) {
        m_x = x;
        m_y = y;
    }

    // A frame centred on (x, y) in this tileset's colours (player colours as player 1's).
    void DrawFrame(const TDoodadGRP& grp, int frame, int x, int y, const PixelTarget32& target) const {
        TDoodadGRP::FrameHeader h;
        if (!grp.GetFrameHeader(frame, h)) {
            return;
        }
        const int left = x - grp.Width() / 2 + h.xOffset;
        const int top = y - grp.Height() / 2 + h.yOffset;
        grp.DecodeFrame(frame, [&](int c, int r, std::uint8_t v) {
            const int tx = left + c, ty = top + r;
            if (tx >= 0 && ty >= 0 && tx < target.width && ty < target.height) {
                target.pixels[static_cast<std::size_t>(ty * target.stride + tx)] = m_tileset.PaletteRGB[v];
            }
        });
    }

    QImage Render() const {
        QImage image(kWidth, m_y + kMargin, QImage::Format_RGB32);
        image.fill(QColor(24, 24, 28));
        const PixelTarget32 target{reinterpret_cast<std::uint32_t*>(image.bits()), image.width(),
                                   image.height(), static_cast<int>(image.bytesPerLine() / 4)};
        for (const Item& item : m_items) {
            if (item.kind == Item::Tile) {
                m_tileset.DrawTile(target, item.value, item.x, item.y);
            } else if (item.kind == Item::Sprite && item.sheet) {
                DrawFrame(*item.sheet, item.value, item.x, item.y, target);
            }
        }
        QPainter painter(&image);
        painter.setPen(QColor(230, 230, 220));
        for (const Item& item : m_items) {
            if (item.kind == Item::Text) {
                QFont font = painter.font();
                font.setPixelSize(item.size);
                font.setBold(item.bold);
                painter.setFont(font);
                painter.drawText(item.x, item.y + item.size, item.text);
            }
        }
        return image;
    }

private:
    struct Item {
        enum Kind { Text, Tile, Sprite } kind;
        int x, y, value, extra;
        QString text;
        int size;
        bool bold;
        const TDoodadGRP* sheet = nullptr;
    };
    const CStarcraftTileset& m_tileset;
    std::vector<Item> m_items;
    int m_x = kMargin;
    int m_y = kMargin;
};

QString Latin1(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace

Status WriteTilesetSheet(TGameData& data, int tileset, const std::string& path) {
    CStarcraftTileset& ts = data.Tileset(tileset);
    // Sprites drawn onto the sheet take this tileset's colours.
    for (auto& grp : data.GrpSheets) {
        if (grp) {
            grp->Palette = ts.PaletteRGB.data();
        }
    }
    Sheet sheet(ts);
    const auto index = static_cast<std::size_t>(tileset);
    sheet.Text(Latin1(std::string(TilesetNames[index])) + QStringLiteral("  (") +
                   Latin1(std::string(TilesetStems[index])) + QStringLiteral(")"),
               18, true);

    sheet.Text(QStringLiteral("Terrain types: the 16 variants of each left and right pair"), 13, true);
    for (std::size_t i = 0; i < kTerrainTypesPerTileset; ++i) {
        const int group = TerrainTypeGroups[index][i];
        if (group == 0) {
            continue;
        }
        sheet.Text(Latin1(std::string(TerrainTypeNames[index][i])) + QStringLiteral(" (group %1)").arg(group),
                   10);
        const int y = sheet.y();
        for (int v = 0; v < 16; ++v) {
            sheet.Tile(group * 16 + v, kMargin + v * 64, y);
            sheet.Tile((group + 1) * 16 + v, kMargin + v * 64 + 32, y);
        }
        sheet.Move(kMargin, y + 36);
    }

    // Transition pairs: every run of even groups after the plain pairs that share a Type (the
    // real files leave unused groups between some runs).
    sheet.Text(QStringLiteral("Edge pairs, one family per link (left group, slot 0)"), 13, true);
    int group = 2;
    std::map<int, int> plainCodes;
    for (std::size_t i = 0; i < kTerrainTypesPerTileset; ++i) {
        if (TerrainTypeGroups[index][i] != 0) {
            group = std::max(group, TerrainTypeGroups[index][i] + 2);
        }
    }
    while (group + 1 < kFirstDoodadGroup) {
        const int type = ts.Header(group).Type;
        if (type < 2) {
            group += 2;
            continue;
        }
        int pairs = 0;
        while (ts.Header(group + 2 * pairs).Type == type) {
            ++pairs;
        }
        sheet.Text(QStringLiteral("Type %1: %2 pairs from group %3").arg(type).arg(pairs).arg(group), 10);
        int y = sheet.y();
        for (int p = 0; p < pairs; ++p) {
            const int column = p % 15;
            if (p > 0 && column == 0) {
                y += 36;
            }
            sheet.Tile((group + 2 * p) * 16, kMargin + column * 68, y);
            sheet.Tile((group + 2 * p + 1) * 16, kMargin + column * 68 + 32, y);
        }
        sheet.Move(kMargin, y + 36);
        group += 2 * pairs;
    }

    sheet.Text(QStringLiteral("Creep: the full-creep tiles of group 1 and the border frames"), 13, true);
    int y = sheet.y();
    for (int v = 0; v < 13; ++v) {
        sheet.Tile(16 + v, kMargin + v * 36, y);
    }
    y += 40;
    const TDoodadGRP& creep = ts.CreepSheet();
    for (int f = 0; f < creep.FrameCount(); ++f) {
        const int column = f % 25;
        if (f > 0 && column == 0) {
            y += 40;
        }
        sheet.Sprite(&creep, f, kMargin + column * 40 + 16, y + 16);
        sheet.Label(QString::number(f), kMargin + column * 40, y + 32);
    }
    sheet.Move(kMargin, y + 52);

    sheet.Text(QStringLiteral("Doodads"), 13, true);
    int x = kMargin;
    y = sheet.y();
    int rowHeight = 0;
    for (int d = 1; d < kDoodadCount; ++d) {
        const DoodadInfoRecord& info = ts.DoodadInfo(d);
        if (info.Width == 0 || info.Height == 0 || info.FirstGroup < kFirstDoodadGroup) {
            continue;
        }
        const int w = info.Width * 32, h = info.Height * 32;
        if (x + w > kWidth - kMargin) {
            x = kMargin;
            y += rowHeight + 22;
            rowHeight = 0;
        }
        for (int r = 0; r < info.Height; ++r) {
            for (int c = 0; c < info.Width; ++c) {
                sheet.Tile((info.FirstGroup + r) * 16 + c, x + c * 32, y + r * 32);
            }
        }
        if (info.SheetIndex != 0 && info.SheetIndex < data.GrpSheets.size()) {
            sheet.Sprite(data.GrpSheets[info.SheetIndex].get(), 0, x + w / 2, y + h / 2);
        }
        const std::string name = info.NameString > 0 && info.NameString <= data.StatTxt.size()
                                     ? data.StatTxt[info.NameString - 1].c_str()
                                     : std::string();
        sheet.Label(QStringLiteral("%1 %2").arg(d).arg(Latin1(name)), x, y + h + 2);
        x += std::max(w, 96) + 12;
        rowHeight = std::max(rowHeight, h);
    }
    sheet.Move(kMargin, y + rowHeight + 24);

    QImage image = sheet.Render();
    if (!image.save(QString::fromStdString(path), "PNG")) {
        return MakeError("cannot write " + path);
    }
    return {};
}

} // namespace orv::cli
