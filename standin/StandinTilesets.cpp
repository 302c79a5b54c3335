#include "StandinTilesets.h"

#include "StandinFormats.h"
#include "graphics/OrvistadTypes.h"
#include "terrain/CreepMap.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <numbers>
#include <stdexcept>

namespace orv::standin {
namespace {

constexpr int kGroups = 3001;
constexpr int kFirstDoodadGroup = 1023; // where the doodad walk starts
constexpr int kCliffRamp = 120;         // 8 rock shades for cliff faces
constexpr int kCreepRamp = 248;         // 7 creep shades; 255 is white

// ---- the layouts of the real files' transition families -------------------------------

constexpr int A = kTokenA, B = kTokenB, C0 = kTokenC0, C1 = kTokenC0 - 1, C2 = kTokenC0 - 2,
              C3 = kTokenC0 - 3;

const std::vector<FamilyPair> kCliff36 = {
    {{51, 51, B, B}, 1, 0},   {{A, A, 51, 51}, 0, 1},   {{B, 49, 49, B}, 1, 0},   {{49, A, A, 49}, 0, 1},
    {{50, B, B, 50}, 0, 1},   {{C1, 50, 50, C1}, 1, 1}, {{A, C1, C1, A}, 1, 0},   {{B, B, 52, 52}, 0, 1},
    {{52, 52, C0, C0}, 1, 1}, {{C0, C0, A, A}, 1, 0},   {{A, A, 51, 53}, 0, 0},   {{C2, 53, 50, C1}, 0, 2},
    {{A, C1, C1, A}, 2, 0},   {{49, A, A, 54}, 0, 0},   {{52, 54, C3, C0}, 0, 3}, {{C0, C0, A, A}, 3, 0},
    {{56, B, B, 56}, 0, 0},   {{56, 56, B, B}, 0, 0},   {{B, B, 55, 55}, 0, 0},   {{B, 55, 55, B}, 0, 0},
    {{A, C1, 51, 51}, 1, 1},  {{49, C0, A, 49}, 1, 1},  {{A, C1, 51, 51}, 2, 1},  {{49, C0, A, 49}, 3, 1},
    {{A, C1, 51, 53}, 1, 0},  {{49, C0, A, 54}, 1, 0},  {{A, C1, 51, 53}, 2, 0},  {{49, C0, A, 54}, 3, 0},
    {{50, 49, 49, 50}, 1, 1}, {{51, 51, 52, 52}, 1, 1}, {{50, 55, 55, 50}, 0, 1}, {{56, 56, 52, 52}, 0, 1},
    {{51, 51, 55, 55}, 1, 0}, {{56, 49, 49, 56}, 1, 0}, {{56, 55, 55, 56}, 0, 0}, {{56, 56, 55, 55}, 0, 0},
};

const std::vector<FamilyPair> kPair24 = {
    {{A, A, 51, 51}, 0, 1},   {{51, 51, B, B}, 1, 0},   {{49, A, A, 49}, 0, 1},   {{B, 49, 49, B}, 1, 0},
    {{B, B, 52, 52}, 0, 1},   {{52, 52, A, A}, 1, 0},   {{50, B, B, 50}, 0, 1},   {{A, 50, 50, A}, 1, 0},
    {{A, A, 51, 53}, 0, 2},   {{A, 53, 50, A}, 2, 0},   {{49, A, A, 54}, 0, 3},   {{52, 54, A, A}, 3, 0},
    {{B, B, 55, 55}, 0, 2},   {{B, 55, 55, B}, 2, 0},   {{56, B, B, 56}, 0, 3},   {{56, 56, B, B}, 3, 0},
    {{51, 51, 52, 52}, 1, 1}, {{50, 49, 49, 50}, 1, 1}, {{51, 51, 55, 55}, 1, 2}, {{56, 49, 49, 56}, 1, 3},
    {{50, 55, 55, 50}, 2, 1}, {{56, 56, 52, 52}, 3, 1}, {{56, 55, 55, 56}, 2, 3}, {{56, 56, 55, 55}, 3, 2},
};

const std::vector<FamilyPair> kPair14 = [] {
    std::vector<FamilyPair> pairs(kPair24.begin(), kPair24.begin() + 12);
    pairs.push_back({{51, 51, 52, 52}, 1, 1});
    pairs.push_back({{50, 49, 49, 50}, 1, 1});
    return pairs;
}();

// ---- terrain trees ----------------------------------------------------------------------

// Cliff and boundary codes only, with a cliff code on both the left and the right side: where
// a cliff foot meets another link's boundary. No diamond of the tree's own shapes asks for
// these edges, so they never stand in for a pair the shapes need.
const std::vector<FamilyPair> kExtra8 = {
    {{C1, 49, C1, 49}, 1, 1}, {{C0, 52, C0, 52}, 1, 1}, {{C1, 50, C0, 49}, 0, 1}, {{C0, 49, C1, 50}, 1, 0},
    {{C1, 51, C2, 51}, 0, 0}, {{C0, 51, C3, 52}, 1, 1}, {{C1, C1, C0, 52}, 0, 1}, {{C0, 49, C0, C0}, 1, 0},
};

const std::vector<FamilyPair> kCliff44 = [] {
    std::vector<FamilyPair> pairs = kCliff36;
    pairs.insert(pairs.end(), kExtra8.begin(), kExtra8.end());
    return pairs;
}();

// ---- terrain trees ----------------------------------------------------------------------

// Each run where the real file has it: first group, the two terrains' plain groups, layout.
// An extra run carries the Type of a cliff whose run it does not touch (touching runs of one
// Type would read as one family).
std::vector<LinkPlan> Runs(int tileset) {
    using K = FamilyKind;
    switch (tileset) {
    case 0: // badlands
        return {{44, 2, 4, K::Cliff36},    {116, 6, 2, K::Cliff36}, {188, 2, 8, K::Pair24},
                {236, 4, 10, K::Pair24},   {284, 2, 12, K::Pair14}, {312, 2, 16, K::Pair24},
                {360, 16, 18, K::Cliff36}, {432, 2, 4, K::Extra8},  {448, 2, 20, K::Pair24}};
    case 1: // space platform
        return {{22, 4, 16, K::Pair24},  {70, 8, 10, K::Pair24},   {118, 4, 6, K::Pair24},
                {166, 4, 12, K::Pair24}, {214, 14, 4, K::Extra8},  {230, 4, 8, K::Cliff36},
                {302, 2, 4, K::Cliff44}, {390, 14, 4, K::Cliff36}, {462, 4, 20, K::Cliff36},
                {534, 18, 4, K::Cliff36}};
    case 2: // installation
        return {{48, 2, 6, K::Cliff36},  {120, 6, 8, K::Cliff36}, {192, 2, 4, K::Pair24},
                {240, 6, 10, K::Pair24}, {288, 2, 14, K::Pair24}, {336, 12, 2, K::Cliff36},
                {408, 2, 6, K::Extra8},  {424, 6, 8, K::Extra8}};
    case 3: // ash world
        return {{48, 14, 2, K::Cliff36}, {120, 2, 6, K::Cliff36}, {192, 2, 4, K::Pair24},
                {240, 6, 8, K::Pair24},  {288, 2, 10, K::Pair14}, {328, 6, 12, K::Pair14},
                {368, 14, 2, K::Extra8}, {384, 2, 16, K::Pair24}};
    default: // jungle, desert, ice, twilight
        return {{36, 2, 4, K::Cliff36},   {108, 6, 2, K::Cliff36},   {180, 2, 8, K::Pair24},
                {228, 4, 18, K::Pair24},  {276, 2, 10, K::Pair14},   {304, 8, 14, K::Pair14},
                {332, 18, 20, K::Pair14}, {360, 8, 12, K::Pair14},   {388, 18, 22, K::Pair14},
                {416, 8, 16, K::Cliff36}, {488, 18, 24, K::Cliff36}, {560, 2, 4, K::Extra8},
                {576, 2, 26, K::Pair24}};
    }
}

std::vector<LinkPlan> Links(int tileset) {
    std::vector<LinkPlan> links = Runs(tileset);
    std::erase_if(links, [](const LinkPlan& l) { return l.kind == FamilyKind::Extra8; });
    return links;
}

// ---- palettes and textures --------------------------------------------------------------

struct Rgb {
    double r, g, b;
};

Rgb Mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

enum class Style { Noise, Grass, Liquid, Plates, Space, Rocky, Sand, Ice, Crevices };

struct TerrainLook {
    Rgb colour;
    Style style;
    bool liquid;
};

bool Has(std::string_view name, std::string_view word) {
    // Names are matched without regard to case ("Dark platform").
    return std::search(name.begin(), name.end(), word.begin(), word.end(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           }) != name.end();
}

TerrainLook LookOf(std::string_view name) {
    if (Has(name, "Space") || Has(name, "Bottomless")) {
        return {{0.05, 0.05, 0.09}, Style::Space, true};
    }
    if (Has(name, "Water")) {
        return {{0.12, 0.30, 0.55}, Style::Liquid, true};
    }
    if (Has(name, "Tar")) {
        return {{0.10, 0.08, 0.07}, Style::Liquid, true};
    }
    if (Has(name, "Magma")) {
        return {{0.75, 0.25, 0.05}, Style::Liquid, true};
    }
    if (Has(name, "Lava")) {
        return {{0.45, 0.12, 0.08}, Style::Rocky, false};
    }
    if (Has(name, "Ice")) {
        return {{0.70, 0.84, 0.92}, Style::Ice, true};
    }
    if (Has(name, "Crevices")) {
        return {{0.52, 0.46, 0.38}, Style::Crevices, false};
    }
    if (Has(name, "Snow") || Has(name, "Moguls")) {
        return {{0.82, 0.85, 0.90}, Style::Noise, false};
    }
    if (Has(name, "Grass") || Has(name, "Jungle")) {
        return {{0.22, 0.45, 0.15}, Style::Grass, false};
    }
    if (Has(name, "Sand") || Has(name, "Dunes")) {
        return {{0.78, 0.66, 0.40}, Style::Sand, false};
    }
    if (Has(name, "Shale")) { // layered slate
        return {{0.36, 0.35, 0.40}, Style::Sand, false};
    }
    if (Has(name, "Asphalt")) {
        return {{0.30, 0.30, 0.32}, Style::Plates, false};
    }
    if (Has(name, "Solar")) { // dark blue cells
        return {{0.16, 0.26, 0.58}, Style::Plates, false};
    }
    if (Has(name, "Rock") || Has(name, "Crags") || Has(name, "Crevices")) {
        return {{0.42, 0.38, 0.34}, Style::Rocky, false};
    }
    if (Has(name, "Mud")) {
        return {{0.33, 0.25, 0.16}, Style::Noise, false};
    }
    if (Has(name, "Temple") || Has(name, "Ruins") || Has(name, "Basilica") || Has(name, "Flagstones") ||
        Has(name, "Compound") || Has(name, "Outpost") || Has(name, "Structure") || Has(name, "Asphalt")) {
        return {{0.55, 0.50, 0.42}, Style::Plates, false};
    }
    if (Has(name, "Platform") || Has(name, "Plating") || Has(name, "Floor") || Has(name, "Roof") ||
        Has(name, "Substructure") || Has(name, "Catwalk") || Has(name, "Solar") || Has(name, "Rusty") ||
        Has(name, "Panels") || Has(name, "Sunken")) {
        return {{0.40, 0.44, 0.50}, Style::Plates, false};
    }
    return {{0.50, 0.38, 0.24}, Style::Noise, false}; // dirt
}

// Each tileset's own character: a tint over every terrain colour.
const Rgb kTints[kTilesetCount] = {{1.05, 0.95, 0.85}, {0.85, 0.92, 1.10}, {0.85, 1.05, 1.05},
                                   {1.15, 0.85, 0.80}, {0.90, 1.08, 0.88}, {1.10, 1.02, 0.80},
                                   {0.88, 0.98, 1.15}, {1.00, 0.85, 1.10}};

const Rgb kPlayerColours[16] = {
    {0.85, 0.10, 0.10}, {0.10, 0.30, 0.90}, {0.10, 0.70, 0.60}, {0.55, 0.25, 0.75},
    {0.95, 0.55, 0.10}, {0.45, 0.25, 0.10}, {0.95, 0.95, 0.95}, {0.95, 0.90, 0.15},
    {0.10, 0.60, 0.10}, {0.95, 0.95, 0.55}, {0.80, 0.65, 0.50}, {0.25, 0.45, 0.75},
    {0.10, 0.35, 0.20}, {0.70, 0.60, 0.90}, {0.60, 0.60, 0.60}, {0.05, 0.90, 0.95}};

std::uint32_t Pack(Rgb c) {
    auto byte = [](double v) { return static_cast<std::uint32_t>(std::clamp(v, 0.0, 1.0) * 255.0 + 0.5); };
    return byte(c.r) | (byte(c.g) << 8) | (byte(c.b) << 16); // red, green, blue, unused
}

double Hash01(std::uint32_t x) {
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return (x & 0xFFFFFF) / 16777216.0;
}

double ValueNoise(double x, double y, std::uint32_t seed) {
    const int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
    const double fx = x - xi, fy = y - yi;
    auto at = [&](int i, int j) {
        return Hash01(static_cast<std::uint32_t>(i) * 73856093u ^ static_cast<std::uint32_t>(j) * 19349663u ^
                      seed);
    };
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const double top = at(xi, yi) + (at(xi + 1, yi) - at(xi, yi)) * sx;
    const double bottom = at(xi, yi + 1) + (at(xi + 1, yi + 1) - at(xi, yi + 1)) * sx;
    return top + (bottom - top) * sy;
}

// Value noise whose lattice repeats every `period` cells.
double PeriodicNoise(double x, double y, int period, std::uint32_t seed) {
    const int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
    const double fx = x - xi, fy = y - yi;
    auto at = [&](int i, int j) {
        const auto wi = static_cast<std::uint32_t>(((i % period) + period) % period);
        const auto wj = static_cast<std::uint32_t>(((j % period) + period) % period);
        return Hash01(wi * 73856093u ^ wj * 19349663u ^ seed);
    };
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const double top = at(xi, yi) + (at(xi + 1, yi) - at(xi, yi)) * sx;
    const double bottom = at(xi, yi + 1) + (at(xi + 1, yi + 1) - at(xi, yi + 1)) * sx;
    return top + (bottom - top) * sy;
}

// Shade 0..7 of a terrain's ramp at world pixel (x, y).
int TextureShade(Style style, double x, double y, std::uint32_t seed) {
    const double n = 0.6 * ValueNoise(x / 6, y / 6, seed) + 0.4 * ValueNoise(x / 2.5, y / 2.5, seed * 3 + 1);
    double v = 0;
    switch (style) {
    case Style::Noise:
        v = 0.2 + 0.6 * n;
        break;
    case Style::Sand:
        v = 0.35 + 0.35 * std::sin((x + y * 0.5) / 5 + n * 3) * 0.5 + 0.3 * n;
        break;
    case Style::Grass:
        v = 0.25 + 0.5 * n + (Hash01(static_cast<std::uint32_t>(x * 31 + y * 977) ^ seed) > 0.85 ? 0.35 : 0);
        break;
    case Style::Liquid:
        v = 0.35 + 0.25 * std::sin(x / 5 + 2 * std::sin(y / 7)) + 0.2 * n;
        break;
    case Style::Plates: {
        const int px = static_cast<int>(std::floor(x)) & 15, py = static_cast<int>(std::floor(y)) & 15;
        v = (px == 0 || py == 0) ? 0.05 : (px == 15 || py == 15) ? 0.9 : 0.45 + 0.2 * n;
        if ((px == 3 || px == 12) && (py == 3 || py == 12)) {
            v = 1.0;
        }
        break;
    }
    case Style::Space:
        v = Hash01(static_cast<std::uint32_t>(x * 131 + y * 7919) ^ seed) > 0.985 ? 1.0 : 0.05 + 0.1 * n;
        break;
    case Style::Ice: // smooth and pale, with fine white cracks
        v = 0.45 + 0.2 * n;
        if (std::abs(ValueNoise(x / 11, y / 11, seed + 5) - 0.5) < 0.025) {
            v = 1.0;
        }
        break;
    case Style::Crevices: // dry ground split by wide dark rifts
        v = 0.45 + 0.35 * n;
        if (std::abs(ValueNoise(x / 14, y / 14, seed + 9) - 0.5) < 0.06) {
            v = 0.0;
        }
        break;
    case Style::Rocky:
        v = 0.15 + 0.7 * n;
        if (std::abs(ValueNoise(x / 9, y / 9, seed + 7) - 0.5) < 0.04) {
            v = 0.0; // a crack
        }
        break;
    }
    return std::clamp(static_cast<int>(v * 7.99), 0, 7);
}

// ---- one tileset -----------------------------------------------------------------------

struct Terrain {
    int group;
    int code;
    int ramp; // first palette index of its 8 shades
    TerrainLook look;
    int elevation; // 0 low, 1 mid, 2 high
};

using Pixels = std::array<std::uint8_t, 32 * 32>;

class TilesetBuilder {
public:
    TilesetBuilder(int tileset, const TilesetInputs& inputs)
        : m_tileset(tileset), m_inputs(inputs), m_random(0x71E5E7ull + static_cast<std::uint64_t>(tileset)) {
        m_headers.assign(kGroups, {});
        m_megatiles.assign(kGroups, {});
        // Minitile 0 and megatile 0 are blank: a tile made only of them has no graphics.
        m_minitiles.emplace_back();
        m_minitileIndex[m_minitiles.back()] = 0;
        m_vx4.emplace_back();
        m_vf4.emplace_back();
    }

    void Build(FileSet& files);

private:
    using Header = std::array<std::uint16_t, 10>;
    using Mini = std::array<std::uint8_t, 64>;

    void MakePalette();
    void PlanTerrains();
    void AddPlainPairs();
    void AddFamilies();
    void AddCreepTiles();
    void AddDoodads();
    void AddFiller();
    std::vector<std::uint8_t> CreepSheet() const;

    int AddMiniTile(const Mini& m);
    int AddMegatile(const Pixels& pixels, std::uint16_t walkFlags);
    int AddMegatileFromMinis(const std::array<std::uint16_t, 16>& refs, std::uint16_t walkFlags);
    const Terrain* TerrainAt(int group) const;
    std::uint16_t WalkFlags(const Terrain& t) const;
    int Shade(const Terrain& t, int wx, int wy) const;
    Pixels PlainPixels(const Terrain& t, int worldX, int worldY) const;
    Pixels RubblePixels(int tileX, int tileY, bool outline) const;

    int m_tileset;
    const TilesetInputs& m_inputs;
    Random m_random;
    std::vector<Terrain> m_terrains;
    std::array<std::uint32_t, 256> m_palette{};
    std::vector<Header> m_headers;
    std::vector<std::array<std::uint16_t, 16>> m_megatiles;
    std::vector<Mini> m_minitiles;
    std::map<Mini, int> m_minitileIndex;
    std::vector<std::array<std::uint16_t, 16>> m_vx4;
    std::vector<std::array<std::uint16_t, 16>> m_vf4;
    std::vector<std::uint8_t> m_dddata = std::vector<std::uint8_t>(512 * 512, 0);
    int m_nextGroup = 0;
};

void TilesetBuilder::MakePalette() {
    // Half of the tileset's tint: enough for its own character, not enough to turn ice lilac.
    const Rgb tint = Mix({1, 1, 1}, kTints[m_tileset], 0.5);
    auto tinted = [&](Rgb c) { return Rgb{c.r * tint.r, c.g * tint.g, c.b * tint.b}; };
    for (int i = 1; i < 8; ++i) {
        m_palette[static_cast<std::size_t>(i)] = Pack({i * 0.05, i * 0.05, i * 0.06}); // shadows
    }
    for (int i = 0; i < 8; ++i) {
        m_palette[static_cast<std::size_t>(8 + i)] = Pack({0.3 + i * 0.08, 0.3 + i * 0.08, 0.3 + i * 0.08});
        m_palette[static_cast<std::size_t>(kCliffRamp + i)] =
            Pack(tinted({0.12 + i * 0.06, 0.10 + i * 0.055, 0.09 + i * 0.05}));
        m_palette[static_cast<std::size_t>(palette::kGreyRamp + i)] =
            Pack({0.2 + i * 0.1, 0.2 + i * 0.1, 0.2 + i * 0.1});
        m_palette[static_cast<std::size_t>(palette::kSteelRamp + i)] =
            Pack({0.15 + i * 0.08, 0.2 + i * 0.09, 0.3 + i * 0.09});
        m_palette[static_cast<std::size_t>(palette::kEarthRamp + i)] =
            Pack({0.25 + i * 0.09, 0.15 + i * 0.08, 0.08 + i * 0.06});
        m_palette[static_cast<std::size_t>(palette::kCrystalRamp + i)] =
            Pack({0.1 + i * 0.07, 0.45 + i * 0.07, 0.55 + i * 0.06});
        if (i < 7) {
            m_palette[static_cast<std::size_t>(kCreepRamp + i)] =
                Pack({0.20 + i * 0.06, 0.08 + i * 0.03, 0.22 + i * 0.06});
        }
    }
    for (int c = 0; c < 16; ++c) {
        for (int s = 0; s < 4; ++s) {
            const double light = 0.55 + s * 0.2;
            const Rgb base = kPlayerColours[c];
            m_palette[static_cast<std::size_t>(palette::kPlayerColours + 4 * c + s)] =
                Pack({base.r * light, base.g * light, base.b * light});
        }
    }
    const Rgb selection[3] = {{0.1, 0.9, 0.1}, {0.95, 0.9, 0.1}, {0.95, 0.15, 0.1}};
    for (int g = 0; g < 3; ++g) {
        for (int i = 0; i < 8; ++i) {
            m_palette[static_cast<std::size_t>(palette::kSelection + 8 * g + i)] =
                Pack(Mix(selection[g], {1, 1, 1}, i * 0.05));
        }
    }
    m_palette[255] = Pack({1, 1, 1});
    for (const Terrain& t : m_terrains) {
        // Terrains of one kind (several stone floors, say) still differ in hue.
        const double k = t.code * 1.7;
        const Rgb own = {t.look.colour.r * (1 + 0.1 * std::sin(k)),
                         t.look.colour.g * (1 + 0.1 * std::sin(k + 2.1)),
                         t.look.colour.b * (1 + 0.1 * std::sin(k + 4.2))};
        const Rgb base = tinted(own);
        // Higher ground is lighter: brighter and washed a little towards white per level.
        const double lift = t.elevation * 0.12, wash = t.elevation * 0.12;
        for (int i = 0; i < 8; ++i) {
            const double shade = 0.55 + i * 0.1 + lift;
            m_palette[static_cast<std::size_t>(t.ramp + i)] =
                Pack(Mix({base.r * shade, base.g * shade, base.b * shade}, {0.95, 0.95, 0.92}, wash));
        }
    }
}

void TilesetBuilder::PlanTerrains() {
    const auto& groups = TerrainTypeGroups[static_cast<std::size_t>(m_tileset)];
    const auto& names = TerrainTypeNames[static_cast<std::size_t>(m_tileset)];
    for (std::size_t i = 0; i < groups.size(); ++i) {
        if (groups[i] == 0) {
            continue;
        }
        Terrain t{groups[i], groups[i] / 2, 16 + 8 * static_cast<int>(m_terrains.size()), LookOf(names[i]),
                  0};
        m_terrains.push_back(t);
    }
    // Elevation: each cliff lifts its high side one level above its low side, except a shore
    // above water or a pit: the ground beside a liquid is the lowest level.
    auto find = [&](int group) -> Terrain& {
        for (Terrain& t : m_terrains) {
            if (t.group == group) {
                return t;
            }
        }
        throw std::logic_error("no terrain at group " + std::to_string(group));
    };
    bool changed = true;
    while (changed) {
        changed = false;
        for (const LinkPlan& link : Links(m_tileset)) {
            const Terrain& low = find(link.low);
            Terrain& high = find(link.high);
            const bool lifts = IsCliff(link.kind) && !low.look.liquid;
            const int wanted = std::min(2, lifts ? low.elevation + 1 : low.elevation);
            if (high.elevation < wanted) {
                high.elevation = wanted;
                changed = true;
            }
        }
    }
}

const Terrain* TilesetBuilder::TerrainAt(int group) const {
    for (const Terrain& t : m_terrains) {
        if (t.group == group) {
            return &t;
        }
    }
    throw std::logic_error("no terrain at group " + std::to_string(group));
}

std::uint16_t TilesetBuilder::WalkFlags(const Terrain& t) const {
    if (t.look.liquid) {
        return 0;
    }
    return static_cast<std::uint16_t>(0x1 | (t.elevation == 1 ? 0x2 : t.elevation == 2 ? 0x4 : 0));
}

int TilesetBuilder::AddMiniTile(const Mini& m) {
    const auto it = m_minitileIndex.find(m);
    if (it != m_minitileIndex.end()) {
        return it->second;
    }
    const int index = static_cast<int>(m_minitiles.size());
    if (index >= 40000) {
        throw std::length_error("stand-in tileset needs too many minitiles");
    }
    m_minitiles.push_back(m);
    m_minitileIndex.emplace(m, index);
    return index;
}

int TilesetBuilder::AddMegatileFromMinis(const std::array<std::uint16_t, 16>& refs, std::uint16_t walkFlags) {
    m_vx4.push_back(refs);
    std::array<std::uint16_t, 16> flags;
    flags.fill(walkFlags);
    m_vf4.push_back(flags);
    return static_cast<int>(m_vx4.size() - 1);
}

int TilesetBuilder::AddMegatile(const Pixels& pixels, std::uint16_t walkFlags) {
    std::array<std::uint16_t, 16> refs{};
    for (int p = 0; p < 16; ++p) {
        Mini m{};
        for (int r = 0; r < 8; ++r) {
            for (int c = 0; c < 8; ++c) {
                m[static_cast<std::size_t>(r * 8 + c)] =
                    pixels[static_cast<std::size_t>((p / 4 * 8 + r) * 32 + p % 4 * 8 + c)];
            }
        }
        refs[static_cast<std::size_t>(p)] = static_cast<std::uint16_t>(AddMiniTile(m) << 1);
    }
    return AddMegatileFromMinis(refs, walkFlags);
}

int TilesetBuilder::Shade(const Terrain& t, int wx, int wy) const {
    int shade = TextureShade(t.look.style, wx, wy, static_cast<std::uint32_t>(t.group * 977 + m_tileset));
    // Each level above the lowest has its own faint grain, so levels differ in pattern as well
    // as in lightness: ridges one way on the middle level, both ways on the high level.
    const int ridge = ((wx + 2 * wy) % 24 + 24) % 24, cross = ((wx - 2 * wy) % 24 + 24) % 24;
    if (t.elevation >= 1 && ridge < 2) {
        ++shade;
    }
    if (t.elevation >= 2 && cross < 2) {
        ++shade;
    }
    return std::clamp(shade, 0, 7);
}

Pixels TilesetBuilder::PlainPixels(const Terrain& t, int worldX, int worldY) const {
    Pixels px{};
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            px[static_cast<std::size_t>(y * 32 + x)] =
                static_cast<std::uint8_t>(t.ramp + Shade(t, worldX + x, worldY + y));
        }
    }
    return px;
}

void TilesetBuilder::AddPlainPairs() {
    int type = 2;
    for (const Terrain& t : m_terrains) {
        std::uint16_t flags = t.look.liquid ? 0x0080 : 0;
        flags |= t.elevation == 1 ? 0x0200 : t.elevation == 2 ? 0x0400 : 0;
        const auto code = static_cast<std::uint16_t>(t.code);
        for (int side = 0; side < 2; ++side) {
            const int g = t.group + side;
            m_headers[static_cast<std::size_t>(g)] = {
                static_cast<std::uint16_t>(type), flags, code, code, code, code, 0, 0, 0, 0};
            // 16 variants: the same texture seen from 16 places of the world.
            for (int v = 0; v < 16; ++v) {
                m_megatiles[static_cast<std::size_t>(g)][static_cast<std::size_t>(v)] =
                    static_cast<std::uint16_t>(
                        AddMegatile(PlainPixels(t, (v % 4) * 64 + side * 32, (v / 4) * 32), WalkFlags(t)));
            }
        }
        ++type;
    }
    m_nextGroup = 0;
    for (const Terrain& t : m_terrains) {
        m_nextGroup = std::max(m_nextGroup, t.group + 2);
    }
}

// Which terrain side a pixel of a transition pair shows: 0 = A, 1 = B, by the codes of the
// four sides and the diagonals the boundary codes name.
double Membership(int code, int a, int b, double u, double v) {
    if (code == b) {
        return 1;
    }
    switch (code) {
    case 49:
        return v > u ? 1 : 0; // B towards the south-west
    case 50:
        return v < u ? 1 : 0; // north-east
    case 51:
        return u + v > 1 ? 1 : 0; // south-east
    case 52:
        return u + v < 1 ? 1 : 0; // north-west
    case 53:
        return u > 0.8 ? 1 : 0; // only the east corner
    case 54:
        return u < 0.2 ? 1 : 0; // only the west corner
    case 55:
        return u > 0.85 ? 0 : 1; // three corners, west part
    case 56:
        return u < 0.15 ? 0 : 1; // three corners, east part
    default:
        (void)a;
        return 0; // A, and the cliff foot codes on the low side
    }
}

void TilesetBuilder::AddFamilies() {
    // One Type per link, in file order, and four private codes per cliff.
    const std::vector<LinkPlan> links = Links(m_tileset);
    std::vector<int> firstCliffCode(links.size(), 0);
    int nextCliffCode = 20;
    for (std::size_t i = 0; i < links.size(); ++i) {
        if (IsCliff(links[i].kind)) {
            firstCliffCode[i] = nextCliffCode;
            nextCliffCode += 4;
        }
    }
    int end = 0;
    for (const LinkPlan& run : Runs(m_tileset)) {
        if (run.first < end || run.first % 2 != 0) {
            throw std::logic_error("transition runs overlap at group " + std::to_string(run.first));
        }
        // An extra run belongs to the cliff it names: that link's Type, terrains and codes.
        std::size_t li = 0;
        while (li < links.size() && !(links[li].low == run.low && links[li].high == run.high)) {
            ++li;
        }
        if (li == links.size() || (run.kind == FamilyKind::Extra8 && !IsCliff(links[li].kind))) {
            throw std::logic_error("a run without its link at group " + std::to_string(run.first));
        }
        const LinkPlan& link = links[li];
        const int type = 20 + static_cast<int>(li);
        const Terrain& ta = *TerrainAt(link.low);
        const Terrain& tb = *TerrainAt(link.high);
        const bool cliff = IsCliff(link.kind);
        const int c0 = firstCliffCode[li];
        // The long cliff's last eight pairs meet the first other cliff of the tileset.
        int otherC0 = c0;
        for (std::size_t j = 0; j < links.size(); ++j) {
            if (j != li && IsCliff(links[j].kind)) {
                otherC0 = firstCliffCode[j];
                break;
            }
        }
        const auto& layout = FamilyLayout(run.kind);
        m_nextGroup = run.first;
        for (std::size_t p = 0; p < layout.size(); ++p) {
            const FamilyPair& pair = layout[p];
            const int base = run.kind == FamilyKind::Cliff44 && p >= 36 ? otherC0 : c0;
            auto code = [&](int token) -> int {
                if (token == kTokenA)
                    return ta.code;
                if (token == kTokenB)
                    return tb.code;
                if (token <= kTokenC0)
                    return cliff ? base + (kTokenC0 - token) : ta.code;
                return token;
            };
            const int g = m_nextGroup;
            m_nextGroup += 2;
            std::array<int, 4> e{};
            for (int s = 0; s < 4; ++s) {
                e[static_cast<std::size_t>(s)] = code(pair.edges[static_cast<std::size_t>(s)]);
            }
            const bool face = cliff && std::any_of(pair.edges.begin(), pair.edges.end(),
                                                   [](int t) { return t <= kTokenC0; });
            std::uint16_t flags = (face || ta.look.liquid || tb.look.liquid) ? 0x0080 : 0;
            // Render the 64 x 32 pair, then cut it into its left and right tiles.
            std::array<Pixels, 2> halves{};
            for (int y = 0; y < 32; ++y) {
                for (int x = 0; x < 64; ++x) {
                    const double u = (x + 0.5) / 64, v = (y + 0.5) / 32;
                    const double w[4] = {(1 - u) * (1 - u), (1 - v) * (1 - v), u * u, v * v};
                    const double pos[4][2] = {{u, v}, {u, v}, {u, v}, {u, v}};
                    // m: how much of B; under: how much of the sides carry cliff codes, the
                    // low ground under a cliff where its face hangs.
                    double m = 0, under = 0, total = 0;
                    for (int s = 0; s < 4; ++s) {
                        const int side = e[static_cast<std::size_t>(s)];
                        m += w[s] * Membership(side, ta.code, tb.code, pos[s][0], pos[s][1]);
                        under += w[s] * (side != ta.code && side != tb.code && side < 49 ? 1 : 0);
                        total += w[s];
                    }
                    const double wobble =
                        (ValueNoise(x / 4.0, y / 4.0, static_cast<std::uint32_t>(g)) - 0.5) * 0.25;
                    m = m / total + wobble;
                    under = under / total + wobble * 0.5;
                    const int wx = (g % 7) * 64 + x, wy = (g % 5) * 32 + y;
                    int value;
                    if (m >= 0.5) {
                        // High ground; along a cliff's top its lit rim.
                        value = cliff && m < 0.56 ? kCliffRamp + 7 : tb.ramp + Shade(tb, wx, wy);
                    } else if (cliff && (under > 0.3 || m > 0.28)) {
                        // The face: rock with vertical streaks, lighter towards the top.
                        const double height = std::max(m / 0.5, (under - 0.3) / 0.7 * 0.6);
                        const int streak =
                            static_cast<int>(Hash01(static_cast<std::uint32_t>(x * 53 + g)) * 3);
                        value = kCliffRamp + std::clamp(1 + static_cast<int>(height * 5) + streak - 1, 0, 6);
                    } else if (cliff && (under > 0.18 || m > 0.2)) {
                        value = ta.ramp + std::max(0, Shade(ta, wx, wy) - 3); // shadow at the foot
                    } else {
                        value = ta.ramp + Shade(ta, wx, wy);
                    }
                    halves[static_cast<std::size_t>(x / 32)][static_cast<std::size_t>(y * 32 + x % 32)] =
                        static_cast<std::uint8_t>(value);
                }
            }
            for (int side = 0; side < 2; ++side) {
                m_headers[static_cast<std::size_t>(g + side)] = {static_cast<std::uint16_t>(type),
                                                                 flags,
                                                                 static_cast<std::uint16_t>(e[0]),
                                                                 static_cast<std::uint16_t>(e[1]),
                                                                 static_cast<std::uint16_t>(e[2]),
                                                                 static_cast<std::uint16_t>(e[3]),
                                                                 0,
                                                                 static_cast<std::uint16_t>(pair.top),
                                                                 0,
                                                                 static_cast<std::uint16_t>(pair.bottom)};
                const std::uint16_t walk = face || ta.look.liquid ? 0 : WalkFlags(ta);
                const auto mega =
                    static_cast<std::uint16_t>(AddMegatile(halves[static_cast<std::size_t>(side)], walk));
                auto& slots = m_megatiles[static_cast<std::size_t>(g + side)];
                // Every slot but 14: the slots after the gap are the rarer variants, and real
                // maps, whose cells name slots all over, draw without holes.
                slots.fill(mega);
                slots[14] = 0;
            }
        }
        end = m_nextGroup;
    }
}

void TilesetBuilder::AddCreepTiles() {
    // Group 1: the 13 full-creep tiles.
    m_headers[1] = {1, 0x0040, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int v = 0; v < 13; ++v) {
        Pixels px{};
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                const double n = ValueNoise((x + v * 32) / 5.0, y / 5.0, 0xC2EE9u);
                px[static_cast<std::size_t>(y * 32 + x)] =
                    static_cast<std::uint8_t>(kCreepRamp + std::clamp(static_cast<int>(n * 6.99), 0, 6));
            }
        }
        m_megatiles[1][static_cast<std::size_t>(v)] = static_cast<std::uint16_t>(AddMegatile(px, 0x1));
    }
}

std::vector<std::uint8_t> TilesetBuilder::CreepSheet() const {
    // One frame per border result of the creep map: creep reaches in from the neighbours
    // that the frame's first pattern requires to be full creep.
    static constexpr double kDirections[8][2] = {{0, 0},   {0.5, 0}, {1, 0},   {0, 0.5},
                                                 {1, 0.5}, {0, 1},   {0.5, 1}, {1, 1}};
    std::vector<Canvas> frames;
    for (int f = 0; f <= 36; ++f) {
        Canvas c(32, 32);
        const std::array<std::uint8_t, 9>* pattern = nullptr;
        for (const auto& p : CreepBorderPatterns()) {
            if (p[8] == f) {
                pattern = &p;
                break;
            }
        }
        if (pattern) {
            for (int y = 0; y < 32; ++y) {
                for (int x = 0; x < 32; ++x) {
                    const double u = (x + 0.5) / 32, v = (y + 0.5) / 32;
                    double reach = 0;
                    for (int d = 0; d < 8; ++d) {
                        if ((*pattern)[static_cast<std::size_t>(d)] == 4) {
                            const double dist = std::hypot(u - kDirections[d][0], v - kDirections[d][1]);
                            reach = std::max(reach, 0.55 - dist);
                        }
                    }
                    reach += (ValueNoise(x / 3.0, y / 3.0, static_cast<std::uint32_t>(f)) - 0.5) * 0.2;
                    if (reach > 0) {
                        c.set(x, y, kCreepRamp + std::clamp(static_cast<int>(reach * 14), 0, 6));
                    }
                }
            }
        }
        if (std::all_of(c.pixels.begin(), c.pixels.end(), [](int p) { return p < 0; })) {
            c.set(16, 16, kCreepRamp); // every frame holds at least one pixel
        }
        frames.push_back(std::move(c));
    }
    return EncodeGrp(frames);
}

void TilesetBuilder::AddDoodads() {
    // Group 1023 is the walk's first step: a one-group filler that names doodad 0.
    m_nextGroup = kFirstDoodadGroupUsed;
    std::vector<const Terrain*> grounds;
    for (const Terrain& t : m_terrains) {
        if (!t.look.liquid) {
            grounds.push_back(&t);
        }
    }
    const int count = StandinDoodadCount(m_tileset);
    for (int d = 1; d <= count; ++d) {
        const int width = 1 + m_random.below(8);
        const int height = 1 + m_random.below(4);
        const Terrain& ground =
            *grounds[static_cast<std::size_t>(m_random.below(static_cast<int>(grounds.size())))];
        const int nameId = m_inputs.doodadNameIds[static_cast<std::size_t>(
            (d + m_tileset) % static_cast<int>(m_inputs.doodadNameIds.size()))];
        const int overlay = d % 2 == 0 && m_inputs.overlayCount > 0
                                ? m_inputs.firstOverlaySprite + (d / 2) % m_inputs.overlayCount
                                : 0;
        const double cx = width * 16.0, cy = height * 16.0;
        const std::uint32_t seed = static_cast<std::uint32_t>(d * 131 + m_tileset);
        for (int r = 0; r < height; ++r) {
            const int g = m_nextGroup++;
            const auto flags = static_cast<std::uint16_t>(0x0080 | (d % 3 == 0 ? 0x0010 : 0));
            m_headers[static_cast<std::size_t>(g)] = {1,
                                                      flags,
                                                      static_cast<std::uint16_t>(overlay),
                                                      0,
                                                      static_cast<std::uint16_t>(nameId),
                                                      0,
                                                      static_cast<std::uint16_t>(d),
                                                      static_cast<std::uint16_t>(width),
                                                      static_cast<std::uint16_t>(height),
                                                      0};
            for (int c = 0; c < width; ++c) {
                // The doodad drawn over the ground it stands on, in one of four shapes: a
                // rounded mound, a flat slab, a crater, or a scatter of stones.
                Pixels px = PlainPixels(ground, c * 32, r * 32);
                for (int y = 0; y < 32; ++y) {
                    for (int x = 0; x < 32; ++x) {
                        const int wx = c * 32 + x, wy = r * 32 + y;
                        const double dx = (wx + 0.5 - cx) / cx, dy = (wy + 0.5 - cy) / cy;
                        const double n = ValueNoise(wx / 5.0, wy / 5.0, seed) - 0.5;
                        double light = -1;
                        switch (d % 4) {
                        case 0:
                            if (dx * dx + dy * dy + n * 0.3 < 0.8) {
                                light = 0.5 - 0.4 * dx - 0.4 * dy;
                            }
                            break;
                        case 1:
                            if (std::max(std::abs(dx), std::abs(dy)) + n * 0.1 < 0.8) {
                                const bool edge = std::max(std::abs(dx), std::abs(dy)) > 0.68;
                                light = edge ? (dx + dy < 0 ? 0.9 : 0.15) : 0.55 + n * 0.3;
                            }
                            break;
                        case 2: {
                            const double rr = dx * dx + dy * dy + n * 0.2;
                            if (rr < 0.85) {
                                // The rim lit on the far side, the floor in shadow.
                                light = rr > 0.45 ? 0.6 - 0.5 * (dx + dy) * (rr > 0.65 ? -1 : 1) : 0.15;
                            }
                            break;
                        }
                        default: {
                            const int sx = wx / 10, sy = wy / 10;
                            const double pick = Hash01(static_cast<std::uint32_t>(sx * 31 + sy * 977) ^ seed);
                            const double ox = wx % 10 - 5 + (pick - 0.5) * 3, oy = wy % 10 - 5;
                            if (pick > 0.35 && dx * dx + dy * dy < 0.9 && ox * ox + oy * oy < 12) {
                                light = 0.5 - 0.1 * ox - 0.1 * oy;
                            }
                            break;
                        }
                        }
                        if (light >= 0) {
                            px[static_cast<std::size_t>(y * 32 + x)] = static_cast<std::uint8_t>(
                                kCliffRamp + std::clamp(static_cast<int>(light * 8), 0, 7));
                        }
                    }
                }
                m_megatiles[static_cast<std::size_t>(g)][static_cast<std::size_t>(c)] =
                    static_cast<std::uint16_t>(AddMegatile(px, 0));
                // The doodad asks for its ground: left tiles on even columns, right on odd.
                const std::size_t at =
                    static_cast<std::size_t>(d) * 512 + static_cast<std::size_t>(r * width + c) * 2;
                const auto required = static_cast<std::uint16_t>(ground.group + c % 2);
                m_dddata[at] = static_cast<std::uint8_t>(required);
                m_dddata[at + 1] = static_cast<std::uint8_t>(required >> 8);
            }
        }
    }
}

Pixels TilesetBuilder::RubblePixels(int tileX, int tileY, bool outline) const {
    // Muted rock and scattered stones in the tileset's own rock tones. The texture repeats
    // every 4 x 4 tiles, so neighbouring slots and rows join without seams.
    constexpr int kPeriod = 128;
    const auto seed = static_cast<std::uint32_t>(0x5EB1u + m_tileset);
    Pixels px{};
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const int wx = tileX * 32 + x, wy = tileY * 32 + y;
            const double n = 0.65 * PeriodicNoise(wx / 16.0, wy / 16.0, kPeriod / 16, seed) +
                             0.35 * PeriodicNoise(wx / 4.0, wy / 4.0, kPeriod / 4, seed + 1);
            int shade = 3 + std::clamp(static_cast<int>(n * 2.99), 0, 2);
            // A stone in some 8 x 8 cells: lit on its upper left, shaded on its lower right.
            const int cx = wx / 8, cy = wy / 8;
            const double pick = Hash01(static_cast<std::uint32_t>(cx * 131 + cy * 7) ^ seed);
            if (pick > 0.55) {
                const double ox = 2.5 + pick * 3,
                             oy = 2.5 + Hash01(static_cast<std::uint32_t>(cx + cy * 977)) * 3;
                const double dx = wx % 8 + 0.5 - ox, dy = wy % 8 + 0.5 - oy;
                const double r = 1.6 + (pick - 0.55) * 3;
                if (dx * dx + dy * dy < r * r) {
                    shade = dx + dy < 0 ? 5 : 4;
                } else if ((dx - 1) * (dx - 1) + (dy - 1) * (dy - 1) < r * r) {
                    shade = 2;
                }
            }
            if (outline && (x == 0 || y == 0) && ((x + y) / 2) % 2 == 0) {
                shade = std::max(1, shade - 1); // a faint dotted edge: a doodad stands here
            }
            px[static_cast<std::size_t>(y * 32 + x)] = static_cast<std::uint8_t>(kCliffRamp + shade);
        }
    }
    return px;
}

void TilesetBuilder::AddFiller() {
    // Groups nothing else defines (the real files' doodads, unused terrain groups) draw as a
    // calm rubble texture; those past the first doodad group with a faint dotted edge. The
    // tile of slot s in group g sits at (s mod 4, g mod 4) of the repeating texture, so a
    // doodad's columns (slots) and rows (groups) join up.
    std::array<std::array<std::uint16_t, 16>, 2> rubble{};
    for (int outline = 0; outline < 2; ++outline) {
        for (int t = 0; t < 16; ++t) {
            rubble[static_cast<std::size_t>(outline)][static_cast<std::size_t>(t)] =
                static_cast<std::uint16_t>(
                    AddMegatile(RubblePixels(t % 4, t / 4, outline != 0), outline != 0 ? 0 : 0x1));
        }
    }
    auto tileOf = [&](int g, int slot, bool outline) {
        return rubble[outline ? 1u : 0u][static_cast<std::size_t>((g % 4) * 4 + slot % 4)];
    };
    for (int g = 0; g < kGroups; ++g) {
        auto& slots = m_megatiles[static_cast<std::size_t>(g)];
        const bool doodadRow = g >= kFirstDoodadGroupUsed && m_headers[static_cast<std::size_t>(g)][0] == 1;
        if (doodadRow) {
            // Slots past the doodad's width, so real maps' wider doodads still draw.
            for (std::size_t s = 0; s < slots.size(); ++s) {
                slots[s] = slots[s] == 0 ? tileOf(g, static_cast<int>(s), true) : slots[s];
            }
            continue;
        }
        if (std::any_of(slots.begin(), slots.end(), [](std::uint16_t s) { return s != 0; }) || g == 1) {
            continue;
        }
        if (g >= kFirstDoodadGroup) {
            m_headers[static_cast<std::size_t>(g)] = {0, 0x0080, 0, 0, 0,
                                                      0, 0,      0, 0, 0}; // number 0, height 0
        }
        for (std::size_t s = 0; s < slots.size(); ++s) {
            slots[s] = tileOf(g, static_cast<int>(s), g >= kFirstDoodadGroup);
        }
    }
}

void TilesetBuilder::Build(FileSet& files) {
    PlanTerrains();
    MakePalette();
    AddPlainPairs();
    AddFamilies();
    if (m_nextGroup > kFirstDoodadGroup) {
        throw std::logic_error("terrain families run into the doodad groups");
    }
    AddCreepTiles();
    AddDoodads();
    AddFiller();

    const std::string base = "tileset\\" + std::string(TilesetStems[static_cast<std::size_t>(m_tileset)]);
    std::vector<std::uint8_t> cv5, vx4, vf4, vr4, wpe;
    auto put16 = [](std::vector<std::uint8_t>& out, std::uint32_t v) {
        out.push_back(static_cast<std::uint8_t>(v));
        out.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    for (int g = 0; g < kGroups; ++g) {
        for (std::uint16_t v : m_headers[static_cast<std::size_t>(g)])
            put16(cv5, v);
        for (std::uint16_t v : m_megatiles[static_cast<std::size_t>(g)])
            put16(cv5, v);
    }
    for (const auto& m : m_vx4)
        for (std::uint16_t v : m)
            put16(vx4, v);
    for (const auto& m : m_vf4)
        for (std::uint16_t v : m)
            put16(vf4, v);
    for (const auto& m : m_minitiles)
        vr4.insert(vr4.end(), m.begin(), m.end());
    for (std::uint32_t c : m_palette) {
        for (int i = 0; i < 4; ++i)
            wpe.push_back(static_cast<std::uint8_t>(c >> (8 * i)));
    }
    files[base + ".cv5"] = std::move(cv5);
    files[base + ".vx4"] = std::move(vx4);
    files[base + ".vf4"] = std::move(vf4);
    files[base + ".vr4"] = std::move(vr4);
    files[base + ".wpe"] = std::move(wpe);
    files[base + ".grp"] = CreepSheet();
    files[base + "\\dddata.bin"] = m_dddata;
}

} // namespace

std::vector<LinkPlan> StandinRuns(int tileset) {
    return Runs(tileset);
}

std::vector<LinkPlan> StandinLinks(int tileset) {
    return Links(tileset);
}

int StandinDoodadCount(int tileset) {
    return 30 + 3 * tileset;
}

const std::vector<std::string>& DoodadGroupNames() {
    // "Rock Pile" twice: two names spelled alike with different string numbers.
    static const std::vector<std::string> names = {
        "Rock Pile", "Boulders",      "Ruined Pillar", "Tree Cluster", "Crater", "Vents",     "Debris",
        "Statue",    "Crystal Spire", "Wreckage",      "Pipes",        "Rubble", "Rock Pile", "Stone Arch"};
    return names;
}

const std::vector<FamilyPair>& FamilyLayout(FamilyKind kind) {
    switch (kind) {
    case FamilyKind::Cliff36:
        return kCliff36;
    case FamilyKind::Pair24:
        return kPair24;
    case FamilyKind::Cliff44:
        return kCliff44;
    case FamilyKind::Extra8:
        return kExtra8;
    case FamilyKind::Pair14:
        break;
    }
    return kPair14;
}

std::vector<std::uint8_t> OverlaySheet(int index) {
    // What stands on doodads, one kind after another: trees, rocks, pillars, crystals, ruins.
    const int w = 24 + (index % 4) * 16, h = 32 + (index % 3) * 16;
    Canvas c(w, h);
    const int kind = index % 5;
    const auto seed = static_cast<std::uint32_t>(0xD00Du + index);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double u = (x + 0.5) / w - 0.5, v = (y + 0.5) / h;
            const double n = ValueNoise(x / 3.0, y / 3.0, seed);
            switch (kind) {
            case 0: { // tree: trunk, and a round crown lit from the upper left
                if (std::abs(u) < 0.07 && v > 0.55) {
                    c.set(x, y, palette::kEarthRamp + 1 + (x % 3 == 0));
                }
                const double d = u * u * 4 + (v - 0.35) * (v - 0.35) * 5 + (n - 0.5) * 0.12;
                if (d < 0.25) {
                    const double light = 0.5 - u * 1.2 - (v - 0.35) * 1.5 + (n - 0.5) * 0.6;
                    c.set(x, y, palette::kEarthRamp + std::clamp(static_cast<int>(light * 5) + 2, 1, 6));
                }
                break;
            }
            case 1: { // rocks: three boulders in a heap
                const double centres[3][3] = {{-0.18, 0.75, 0.2}, {0.16, 0.78, 0.18}, {0.0, 0.55, 0.2}};
                for (const auto& b : centres) {
                    const double dx = u - b[0], dy = (v - b[1]) * 0.7;
                    if (dx * dx + dy * dy < b[2] * b[2] + (n - 0.5) * 0.01) {
                        c.set(x, y,
                              palette::kGreyRamp +
                                  std::clamp(static_cast<int>((0.5 - dx * 3 - dy * 3) * 6), 0, 6));
                    }
                }
                break;
            }
            case 2: { // pillar: a fluted shaft on a base, with a capital
                const bool shaft = std::abs(u) < 0.16 && v > 0.15 && v < 0.9;
                const bool ends = std::abs(u) < 0.26 && ((v > 0.08 && v < 0.16) || v >= 0.9);
                if (shaft || ends) {
                    c.set(x, y, palette::kGreyRamp + (ends ? 6 : 3 + (x % 4 == 0 ? 2 : 0) - (u > 0.08)));
                }
                break;
            }
            case 3: { // crystals: a cluster of three spikes
                const double spikes[3][3] = {{0.0, 0.05, 0.14}, {-0.2, 0.35, 0.1}, {0.2, 0.3, 0.1}};
                for (const auto& sp : spikes) {
                    const double du = std::abs(u - sp[0]);
                    if (v > sp[1] && v < 0.95 && du < sp[2] * (v - sp[1]) / (0.95 - sp[1]) + 0.02) {
                        c.set(x, y, palette::kCrystalRamp + (u < sp[0] ? 6 : 3) + static_cast<int>(v * 1.5));
                    }
                }
                break;
            }
            default: { // ruins: a broken wall with a gap and a jagged top
                const double top = 0.3 + 0.25 * n + (std::abs(u) < 0.08 ? 0.35 : 0);
                if (std::abs(u) < 0.42 && v > top && v < 0.95) {
                    const bool joint = (y % 6 == 0) || ((x + (y / 6) * 4) % 9 == 0);
                    c.set(x, y, palette::kEarthRamp + (joint ? 1 : 4 - (u > 0.2)));
                }
                break;
            }
            }
        }
    }
    return EncodeGrp({c});
}

void GenerateTilesets(const TilesetInputs& inputs, FileSet& files) {
    for (int t = 0; t < kTilesetCount; ++t) {
        TilesetBuilder(t, inputs).Build(files);
    }
}

} // namespace orv::standin
