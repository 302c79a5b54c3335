#pragma once

// Named views over the game's rule tables (arr\units.dat, flingy.dat, sprites.dat,
// images.dat), read in place. Every read is bounds-checked: a value a table does not hold
// reads as "none" (an empty optional, or the fallback the function names).

#include "base/ByteReader.h"

#include <cstdint>
#include <optional>

namespace orv {

// units.dat: 228 unit types, fields stored one array after another.
class UnitsTable {
public:
    static constexpr int kTypes = 228;
    static constexpr int kNone = 228; // "no unit", e.g. for a subunit

    // Special ability flags.
    static constexpr std::uint32_t kBuilding = 0x1;
    static constexpr std::uint32_t kFlyer = 0x4;
    static constexpr std::uint32_t kSubunit = 0x10;
    static constexpr std::uint32_t kResourceContainer = 0x2000;
    static constexpr std::uint32_t kSpellcaster = 0x200000;

    struct Box {
        int width = 0, height = 0;
    };
    struct Extent {
        int left = 16, up = 16, right = 16, down = 16; // pixels from the centre
    };

    explicit UnitsTable(Bytes table) : m_table(table) {}

    std::optional<int> Flingy(int type) const { return Read<std::uint8_t>(0, 1, type); }
    int Subunit(int type) const { return Read<std::uint16_t>(228, 2, type).value_or(kNone); }
    bool HasShields(int type) const { return Read<std::uint8_t>(2472, 1, type).value_or(0) != 0; }
    // 0 to 19; drawing goes level by level. 0xFF when the table does not say.
    int ElevationLevel(int type) const { return Read<std::uint8_t>(4068, 1, type).value_or(0xFF); }
    std::uint32_t Flags(int type) const { return Read<std::uint32_t>(7032, 4, type).value_or(0); }
    Box PlacementBox(int type) const {
        return {Read<std::uint16_t>(11284, 4, type).value_or(0),
                Read<std::uint16_t>(11286, 4, type).value_or(0)};
    }
    Extent Dimensions(int type) const {
        return {Read<std::uint16_t>(12580, 8, type).value_or(16),
                Read<std::uint16_t>(12582, 8, type).value_or(16),
                Read<std::uint16_t>(12584, 8, type).value_or(16),
                Read<std::uint16_t>(12586, 8, type).value_or(16)};
    }

private:
    template <typename T> std::optional<T> Read(std::uint64_t field, std::uint64_t stride, int type) const {
        if (type < 0 || type >= kTypes) {
            return std::nullopt;
        }
        return ReadLE<T>(m_table, field + stride * static_cast<std::uint64_t>(type));
    }
    Bytes m_table;
};

// flingy.dat: the sprite of each flingy.
inline std::optional<int> FlingySprite(Bytes flingyDat, int flingy) {
    if (flingy < 0) {
        return std::nullopt;
    }
    return ReadLE<std::uint16_t>(flingyDat, 2 * static_cast<std::uint64_t>(flingy));
}

// sprites.dat: 517 sprites; the selection-circle fields exist for sprites 130 on.
class SpritesTable {
public:
    static constexpr int kSprites = 517;
    static constexpr int kFirstWithCircle = 130;
    static constexpr int kFirstCircleImage = 561;

    explicit SpritesTable(Bytes table) : m_table(table) {}

    std::optional<int> Image(int sprite) const {
        if (sprite < 0 || sprite >= kSprites) {
            return std::nullopt;
        }
        return ReadLE<std::uint16_t>(m_table, 2 * static_cast<std::uint64_t>(sprite));
    }
    // The images.dat number of the sprite's selection circle.
    std::optional<int> CircleImage(int sprite) const {
        const auto value = CircleField(2455, sprite);
        return value ? std::optional<int>(*value + kFirstCircleImage) : std::nullopt;
    }
    // Pixels the circle lies below the sprite's position.
    int CircleOffset(int sprite) const { return CircleField(2842, sprite).value_or(0); }

private:
    std::optional<int> CircleField(std::uint64_t field, int sprite) const {
        if (sprite < kFirstWithCircle || sprite >= kSprites) {
            return std::nullopt;
        }
        return ReadLE<std::uint8_t>(m_table, field + static_cast<std::uint64_t>(sprite - kFirstWithCircle));
    }
    Bytes m_table;
};

// images.dat: the images.tbl entry (1-based) of each image's sprite sheet; 0 for none.
inline std::uint32_t ImageGrpFile(Bytes imagesDat, int image) {
    return image < 0 ? 0 : ReadLEOr<std::uint32_t>(imagesDat, 4 * static_cast<std::uint64_t>(image), 0);
}

} // namespace orv
