#pragma once

// Orvistad's stand-in game data: every file that start-up and the sprite sheets read, in
// the real files' layouts and sizes, with original procedurally drawn content. The same
// seed always gives the same bytes.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace orv::standin {

using FileSet = std::map<std::string, std::vector<std::uint8_t>>;

// Palette index conventions shared by the stand-in sheets and tilesets.
namespace palette {
inline constexpr int kPlayerSlot = 8;      // 8..15 in a unit sheet: player colour, dark to light
inline constexpr int kPlayerColours = 128; // 16 colours x 4 shades: 128 + 4 * colour + shade
inline constexpr int kSelection = 192;     // 24 selection-circle colours
inline constexpr int kGreyRamp = 216;      // four 8-entry ramps for unit bodies, dark to light
inline constexpr int kSteelRamp = 224;
inline constexpr int kEarthRamp = 232;
inline constexpr int kCrystalRamp = 240;
inline constexpr int kWhite = 255;
} // namespace palette

enum class UnitKind {
    Ground,
    Flyer,
    Building,
    Minerals,
    Geyser,
    Turret,
    StartLocation,
    Critter,
    Powerup,
    Beacon,
    None
};

struct UnitPlan {
    UnitKind kind = UnitKind::None;
    int race = 3; // 0, 1, 2 the three races, 3 neutral
    int flingy = 0;
    int boxWidth = 16; // placement box, pixels
    int boxHeight = 16;
    int elevation = 0;
    std::uint32_t flags = 0;
    int turret = 228; // subunit 1; 228 = none
    bool expansion = false;
    bool shields = false;
};

inline constexpr int kUnitCount = 228;
inline constexpr int kFlingyCount = 209;
inline constexpr int kSpriteCount = 517;
inline constexpr int kImageCount = 999;
inline constexpr int kWeaponCount = 130;
inline constexpr int kUpgradeCount = 61;
inline constexpr int kTechCount = 44;
inline constexpr int kSheetlessFlingy = 208; // its image names no sheet, on purpose
inline constexpr int kFirstSelectionImage = 561;
inline constexpr int kSelectionCircles = 10;
inline constexpr int kFirstOverlaySprite = 400; // doodad overlays: sprites 400.. show images 400..

UnitPlan PlanUnit(int unit);
const char* KindName(UnitKind kind);

// Every file of the stand-in archive, by archived name.
FileSet GenerateGameData();

} // namespace orv::standin
