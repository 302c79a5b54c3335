// The stand-in game data keeps its promises: the real files' sizes, a sheet for every unit
// that should have one, labels that name strings, and values spread like the game's.

#include "StandinGameData.h"
#include "app/GameTables.h"
#include "base/ByteReader.h"
#include "graphics/TGRP.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <tuple>

namespace orv {
namespace {

using namespace standin;

const FileSet& Files() {
    static const FileSet files = GenerateGameData();
    return files;
}

const std::vector<std::uint8_t>& File(const std::string& name) {
    return Files().at(name);
}

std::uint32_t U8(const std::string& file, std::size_t at) {
    return ReadLEOr<std::uint8_t>(File(file), at, 0xFF);
}
std::uint32_t U16(const std::string& file, std::size_t at) {
    return ReadLEOr<std::uint16_t>(File(file), at, 0xFFFF);
}
std::uint32_t U32(const std::string& file, std::size_t at) {
    return ReadLEOr<std::uint32_t>(File(file), at, 0xFFFFFFFF);
}

TEST(Standin, TablesHaveTheRealFilesSizes) {
    EXPECT_EQ(File("arr\\units.dat").size(), 19876u);
    EXPECT_EQ(File("arr\\flingy.dat").size(), 3135u);
    EXPECT_EQ(File("arr\\sprites.dat").size(), 3229u);
    EXPECT_EQ(File("arr\\images.dat").size(), 37962u);
    EXPECT_EQ(File("arr\\weapons.dat").size(), 5460u);
    EXPECT_EQ(File("arr\\upgrades.dat").size(), 1281u);
    EXPECT_EQ(File("arr\\Techdata.dat").size(), 836u);
    EXPECT_EQ(ReadPcxColourRow(File("game\\tunit.pcx"), 128).size(), 128u);
}

TEST(Standin, IsTheSameEveryTime) {
    EXPECT_TRUE(GenerateGameData() == Files());
}

TEST(Standin, EveryUnitResolvesToASheetOrDeliberatelyToNone) {
    const auto images = ReadStringTable(File("arr\\images.tbl"));
    for (std::size_t u = 0; u < kUnitCount; ++u) {
        const std::uint32_t flingy = U8("arr\\units.dat", u);
        const std::uint32_t sprite = U16("arr\\flingy.dat", 2 * flingy);
        const std::uint32_t image = U16("arr\\sprites.dat", 2 * sprite);
        const std::uint32_t file = U32("arr\\images.dat", 4 * image);
        if (PlanUnit(static_cast<int>(u)).kind == UnitKind::None) {
            EXPECT_EQ(file, 0u) << "unit " << u;
            continue;
        }
        ASSERT_GE(file, 1u) << "unit " << u;
        ASSERT_LE(file, images.size()) << "unit " << u;
        const std::string& name = images[file - 1];
        EXPECT_GT(name.find(".grp"), 0u);
        EXPECT_TRUE(Files().count("unit\\" + name)) << name;
    }
}

TEST(Standin, EveryLabelNamesAString) {
    const auto strings = ReadStringTable(File("rez\\stat_txt.tbl"));
    auto expectLabel = [&](std::uint32_t id, bool mayBeNone, const char* what, std::size_t i) {
        if (id == 0 && mayBeNone) {
            return;
        }
        ASSERT_GE(id, 1u) << what << " " << i;
        ASSERT_LE(id, strings.size()) << what << " " << i;
        EXPECT_FALSE(strings[id - 1].empty()) << what << " " << i;
    };
    for (std::size_t w = 0; w < kWeaponCount; ++w) {
        expectLabel(U16("arr\\weapons.dat", 2 * w), false, "weapon", w);
        expectLabel(U16("arr\\weapons.dat", 4940 + 2 * w), true, "weapon error", w);
    }
    for (std::size_t i = 0; i < kUpgradeCount; ++i) {
        const bool used = U8("arr\\upgrades.dat", 1159 + i) > 0;
        expectLabel(U16("arr\\upgrades.dat", 976 + 2 * i), !used, "upgrade", i);
    }
    for (std::size_t i = 0; i < kTechCount; ++i) {
        expectLabel(U16("arr\\Techdata.dat", 616 + 2 * i), false, "tech", i);
    }
    for (std::size_t u = 0; u < kUnitCount; ++u) {
        const auto parts = SplitNameParts(strings[u]);
        ASSERT_EQ(parts.size(), 3u) << u;
        EXPECT_FALSE(parts[0].empty());
        EXPECT_FALSE(parts[2].empty());
        for (std::uint32_t weapon : {U8("arr\\units.dat", 5892 + u), U8("arr\\units.dat", 6348 + u)}) {
            EXPECT_LE(weapon, 130u);
        }
    }
}

TEST(Standin, UnitsCoverTheKindsTheEditorTellsApart) {
    std::set<std::uint32_t> elevations;
    int buildings = 0, flyers = 0, resources = 0, casters = 0, turrets = 0, expansion = 0, shielded = 0,
        unshielded = 0;
    bool smallest = false, largest = false;
    for (std::size_t u = 0; u < kUnitCount; ++u) {
        const std::uint32_t flags = U32("arr\\units.dat", 7032 + 4 * u);
        buildings += (flags & 0x1) != 0;
        flyers += (flags & 0x4) != 0;
        resources += (flags & 0x2000) != 0;
        casters += (flags & 0x200000) != 0;
        turrets += U16("arr\\units.dat", 228 + 2 * u) < kUnitCount;
        expansion += U8("arr\\units.dat", 19192 + u) != 0;
        (U8("arr\\units.dat", 2472 + u) ? shielded : unshielded) += 1;
        elevations.insert(U8("arr\\units.dat", 4068 + u));
        const std::uint32_t w = U16("arr\\units.dat", 11284 + 4 * u);
        const std::uint32_t h = U16("arr\\units.dat", 11284 + 4 * u + 2);
        if (PlanUnit(static_cast<int>(u)).kind != UnitKind::None) {
            EXPECT_GE(w, 16u);
            EXPECT_GE(h, 16u);
            EXPECT_LE(w, 128u);
            EXPECT_LE(h, 96u);
        }
        smallest |= w == 16 && h == 16;
        largest |= w == 128 && h == 96;
    }
    EXPECT_GT(buildings, 50);
    EXPECT_GT(flyers, 10);
    EXPECT_EQ(resources, 4);
    EXPECT_GT(casters, 5);
    EXPECT_EQ(turrets, 4);
    EXPECT_GT(expansion, 5);
    EXPECT_GT(shielded, 10);
    EXPECT_GT(unshielded, 10);
    EXPECT_TRUE(smallest && largest);
    EXPECT_EQ(*elevations.begin(), 0u);
    EXPECT_EQ(*elevations.rbegin(), 18u);
    EXPECT_GT(elevations.size(), 10u);
    EXPECT_EQ(PlanUnit(214).kind, UnitKind::StartLocation);
}

TEST(Standin, UnitSheetsUsePlayerColoursAndSelectionCirclesTheirEightShades) {
    for (const auto& [name, bytes] : Files()) {
        if (name.rfind("unit\\", 0) != 0 || name.ends_with(".grp") == false) {
            continue;
        }
        TDoodadGRP sheet(bytes, nullptr, {});
        ASSERT_GE(sheet.FrameCount(), 1) << name;
        std::set<int> indices;
        for (int f = 0; f < sheet.FrameCount(); ++f) {
            TDoodadGRP::FrameHeader h;
            ASSERT_TRUE(sheet.GetFrameHeader(f, h));
            EXPECT_LE(h.xOffset + h.width, sheet.Width()) << name;
            EXPECT_LE(h.yOffset + h.height, sheet.Height()) << name;
            int pixels = 0;
            sheet.DecodeFrame(f, [&](int c, int r, std::uint8_t v) {
                EXPECT_LT(c, h.width);
                EXPECT_LT(r, h.height);
                indices.insert(v);
                ++pixels;
            });
            EXPECT_GT(pixels, 0) << name << " frame " << f;
        }
        const bool circle = name.find("select") != std::string::npos;
        const bool neutral =
            name.find("minerals") != std::string::npos || name.find("geyser") != std::string::npos ||
            name.find("critter") != std::string::npos || name.find("powerup") != std::string::npos ||
            name.find("doodad") != std::string::npos;
        if (circle) {
            EXPECT_EQ(*indices.begin(), 1) << name;
            EXPECT_EQ(*indices.rbegin(), 8) << name;
        } else if (!neutral) {
            EXPECT_TRUE(std::any_of(indices.begin(), indices.end(), [](int v) { return v >= 8 && v <= 15; }))
                << name;
        }
    }
}

// Frame 0 of a sheet as a grid of palette indices (-1 where nothing is drawn).
struct Frame {
    int width = 0, height = 0;
    std::vector<int> pixels;
    int at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

Frame FirstFrame(const std::vector<std::uint8_t>& bytes) {
    TDoodadGRP sheet(bytes, nullptr, {});
    Frame f{sheet.Width(), sheet.Height(),
            std::vector<int>(static_cast<std::size_t>(sheet.Width() * sheet.Height()), -1)};
    TDoodadGRP::FrameHeader h;
    if (!sheet.GetFrameHeader(0, h)) {
        return f;
    }
    sheet.DecodeFrame(0, [&](int c, int r, std::uint8_t v) {
        f.pixels[static_cast<std::size_t>((h.yOffset + r) * f.width + h.xOffset + c)] = v;
    });
    return f;
}

// Units read apart: a white label on every sheet but start locations and turrets, flyers
// with a shadow below and to the right, buildings framed by their dotted placement box.
TEST(Standin, UnitSheetsCarryALabelAndTheShapeOfTheirKind) {
    int flyers = 0, buildings = 0;
    for (const auto& [name, bytes] : Files()) {
        if (name.rfind("unit\\standin\\", 0) != 0 || name.find("select") != std::string::npos ||
            name.find("doodad") != std::string::npos) {
            continue;
        }
        SCOPED_TRACE(name);
        const Frame f = FirstFrame(bytes);
        int white = 0, shadow = 0;
        double sx = 0, sy = 0, bx = 0, by = 0;
        int body = 0;
        for (int y = 0; y < f.height; ++y) {
            for (int x = 0; x < f.width; ++x) {
                const int v = f.at(x, y);
                white += v == 255;
                if (v == 2) {
                    ++shadow, sx += x, sy += y;
                } else if (v >= 0) {
                    ++body, bx += x, by += y;
                }
            }
        }
        const bool labelled =
            name.find("start") == std::string::npos && name.find("turret") == std::string::npos;
        if (labelled) {
            EXPECT_GE(white, 8); // at least two letters' worth of dots
        }
        if (name.find("flyer") != std::string::npos) {
            ++flyers;
            ASSERT_GT(shadow, 10);
            EXPECT_GT(sx / shadow, bx / body);
            EXPECT_GT(sy / shadow, by / body);
        }
        if (name.find("building") != std::string::npos) {
            ++buildings;
            // The box: dotted player-colour dots along the top and left edges of the drawn area.
            int top = 0, left = 0;
            int x0 = f.width, y0 = f.height;
            for (int y = 0; y < f.height; ++y) {
                for (int x = 0; x < f.width; ++x) {
                    if (f.at(x, y) >= 0) {
                        x0 = std::min(x0, x);
                        y0 = std::min(y0, y);
                    }
                }
            }
            for (int x = 0; x < f.width; ++x) {
                top += f.at(x, y0) >= 8 && f.at(x, y0) <= 15;
            }
            for (int y = 0; y < f.height; ++y) {
                left += f.at(x0, y) >= 8 && f.at(x0, y) <= 15;
            }
            EXPECT_GE(top, 4);
            EXPECT_GE(left, 4);
        }
    }
    EXPECT_GT(flyers, 5);
    EXPECT_GT(buildings, 5);
}

// Doodad overlays of different kinds differ in silhouette, also where their sheets are the
// same size: no two overlays draw the same set of pixels.
TEST(Standin, DoodadOverlaysHaveDistinctSilhouettes) {
    std::map<std::tuple<int, int, std::vector<bool>>, std::string> seen;
    int overlays = 0;
    for (const auto& [name, bytes] : Files()) {
        if (name.rfind("unit\\standin\\doodad", 0) != 0) {
            continue;
        }
        ++overlays;
        const Frame f = FirstFrame(bytes);
        std::vector<bool> mask;
        for (int v : f.pixels) {
            mask.push_back(v >= 0);
        }
        EXPECT_GT(std::count(mask.begin(), mask.end(), true), 20) << name;
        const auto [at, inserted] = seen.emplace(std::tuple{f.width, f.height, mask}, name);
        EXPECT_TRUE(inserted) << name << " looks like " << at->second;
    }
    EXPECT_GE(overlays, 10);
}

} // namespace
} // namespace orv
