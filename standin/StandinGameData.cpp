#include "StandinGameData.h"

#include "StandinFormats.h"
#include "StandinTilesets.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>

namespace orv::standin {
namespace {

constexpr std::uint64_t kSeed = 0x0A7157AD5EEDull;

// units.dat array offsets.
namespace units {
constexpr std::size_t kSize = 19876;
constexpr std::size_t Flingy = 0, Subunit1 = 228, Subunit2 = 684, Infestation = 1140,
                      ConstructionImage = 1332, Facing = 2244, ShieldEnabled = 2472, ShieldAmount = 2700,
                      HitPoints = 3156, Elevation = 4068, Rank = 4524, GroundWeapon = 5892,
                      MaxGroundHits = 6120, AirWeapon = 6348, MaxAirHits = 6576, Flags = 7032,
                      TargetRange = 7944, SightRange = 8172, ArmorUpgrade = 8400, SizeClass = 8628,
                      Armor = 8856, PlacementBox = 11284, Dimensions = 12580, Portrait = 14404,
                      Minerals = 14860, Gas = 15316, BuildTime = 15772, GroupFlags = 16684,
                      SupplyProvided = 16912, SupplyRequired = 17140, BuildScore = 17824,
                      DestroyScore = 18280, Expansion = 19192, Availability = 19420;
} // namespace units

constexpr int kParentsWithTurrets[] = {2, 5, 23, 27};

const char* const kRaceNames[] = {"Vorn", "Kessari", "Aethel", "Wild"};
const char* const kSyllables[] = {"dra", "kor", "vel", "mun", "tes", "zan", "quil", "bry", "ost", "fen",
                                  "lur", "gax", "ith", "ran", "sol", "cae", "dun",  "pyr", "hal", "nev"};
const char* const kEndings[] = {"ion", "ath", "ek", "ora", "ix", "um", "ant", "erin", "ost", "yle"};
const char* const kBuildingWords[] = {"Works", "Hall",  "Spire", "Den",   "Forge",
                                      "Nest",  "Array", "Gate",  "Vault", "Tower"};
const char* const kWeaponAdjectives[] = {"Arc",   "Spine", "Ember", "Pulse", "Shard",
                                         "Venom", "Flux",  "Iron",  "Gale",  "Thorn"};
const char* const kWeaponNouns[] = {"Lance",  "Volley",  "Burst", "Cannon", "Claws",  "Beam", "Spikes",
                                    "Rounds", "Torrent", "Bolt",  "Sting",  "Mortar", "Ray"};
const char* const kUpgradeNouns[] = {"Plating", "Carapace", "Shields",  "Weapons",
                                     "Engines", "Optics",   "Reflexes", "Capacitors"};
const char* const kTechNouns[] = {"Protocol", "Mutation", "Field", "Matrix",
                                  "Cloak",    "Storm",    "Surge", "Lockdown"};

std::string Capitalised(std::string s) {
    if (!s.empty() && s[0] >= 'a' && s[0] <= 'z') {
        s[0] = static_cast<char>(s[0] - 'a' + 'A');
    }
    return s;
}

std::string MadeUpWord(Random& random) {
    std::string word = kSyllables[random.below(20)];
    if (random.below(2)) {
        word += kSyllables[random.below(20)];
    }
    word += kEndings[random.below(10)];
    return Capitalised(word);
}

int FlingyOf(int unit) {
    if (unit < 202) {
        return unit;
    }
    if (unit == 214) {
        return 202;
    }
    if (unit < 214) {
        return 203 + unit % 3;
    }
    if (unit < 220) {
        return 206;
    }
    if (unit < 223) {
        return 207;
    }
    return kSheetlessFlingy;
}

// The unit whose look a flingy's sheet shows.
int UnitOfFlingy(int flingy) {
    for (int u = 0; u < kUnitCount; ++u) {
        if (FlingyOf(u) == flingy) {
            return u;
        }
    }
    return kUnitCount;
}

int SelectionCircleFor(const UnitPlan& plan) {
    return std::clamp((plan.boxWidth - 16) / 12, 0, kSelectionCircles - 1);
}

// ---- art -------------------------------------------------------------------------------

int Shade(int ramp, double light) {
    return ramp + std::clamp(static_cast<int>(light * 7.99), 0, 7);
}

int PlayerShade(double light) {
    return palette::kPlayerSlot + std::clamp(static_cast<int>(light * 7.99), 0, 7);
}

int BodyRamp(int race) {
    switch (race) {
    case 0:
        return palette::kEarthRamp;
    case 1:
        return palette::kSteelRamp;
    case 2:
        return palette::kGreyRamp;
    default:
        return palette::kEarthRamp;
    }
}

// Light from the upper left on a point of a shape whose centre is (cx, cy).
double Lighting(double dx, double dy, double rx, double ry) {
    const double nx = dx / std::max(rx, 1.0);
    const double ny = dy / std::max(ry, 1.0);
    const double z = std::sqrt(std::max(0.0, 1.0 - nx * nx - ny * ny));
    return std::clamp(0.35 + 0.45 * (-0.5 * nx - 0.6 * ny + 0.6 * z), 0.0, 1.0);
}

void FillEllipse(Canvas& c, double cx, double cy, double rx, double ry, int ramp, bool playerRing) {
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            const double dx = x + 0.5 - cx;
            const double dy = y + 0.5 - cy;
            const double d = (dx * dx) / (rx * rx) + (dy * dy) / (ry * ry);
            if (d > 1.0) {
                continue;
            }
            const double light = Lighting(dx, dy, rx, ry);
            if (d > 0.85) {
                c.set(x, y, ramp); // dark outline
            } else if (playerRing && d > 0.45 && d < 0.7) {
                c.set(x, y, PlayerShade(light));
            } else {
                c.set(x, y, Shade(ramp, light));
            }
        }
    }
}

void Disc(Canvas& c, double cx, double cy, double r, int value) {
    for (int y = static_cast<int>(cy - r - 1); y <= static_cast<int>(cy + r + 1); ++y) {
        for (int x = static_cast<int>(cx - r - 1); x <= static_cast<int>(cx + r + 1); ++x) {
            const double dx = x + 0.5 - cx;
            const double dy = y + 0.5 - cy;
            if (dx * dx + dy * dy <= r * r) {
                c.set(x, y, value);
            }
        }
    }
}

void Line(Canvas& c, double x0, double y0, double x1, double y1, double width, int value) {
    const int steps = static_cast<int>(std::hypot(x1 - x0, y1 - y0) * 2) + 1;
    for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        Disc(c, x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, width / 2, value);
    }
}

bool InTriangle(double px, double py, const double (&p)[3][2]) {
    auto side = [&](int a, int b) {
        return (p[b][0] - p[a][0]) * (py - p[a][1]) - (p[b][1] - p[a][1]) * (px - p[a][0]);
    };
    const double s0 = side(0, 1), s1 = side(1, 2), s2 = side(2, 0);
    return (s0 >= 0 && s1 >= 0 && s2 >= 0) || (s0 <= 0 && s1 <= 0 && s2 <= 0);
}

// A 3 x 5 pixel font for unit labels: five rows of three bits each, high bit on the left.
const std::uint8_t* Glyph(char ch) {
    static const std::uint8_t kLetters[26][5] = {
        {2, 5, 7, 5, 5}, {6, 5, 6, 5, 6}, {3, 4, 4, 4, 3}, {6, 5, 5, 5, 6}, {7, 4, 6, 4, 7}, {7, 4, 6, 4, 4},
        {3, 4, 5, 5, 3}, {5, 5, 7, 5, 5}, {7, 2, 2, 2, 7}, {1, 1, 1, 5, 2}, {5, 5, 6, 5, 5}, {4, 4, 4, 4, 7},
        {5, 7, 7, 5, 5}, {6, 5, 5, 5, 5}, {2, 5, 5, 5, 2}, {6, 5, 6, 4, 4}, {2, 5, 5, 6, 3}, {6, 5, 6, 5, 5},
        {3, 4, 2, 1, 6}, {7, 2, 2, 2, 2}, {5, 5, 5, 5, 7}, {5, 5, 5, 5, 2}, {5, 5, 7, 7, 5}, {5, 5, 2, 5, 5},
        {5, 5, 2, 2, 2}, {7, 1, 2, 4, 7}};
    static const std::uint8_t kDigits[10][5] = {
        {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {6, 1, 2, 4, 7}, {6, 1, 2, 1, 6}, {5, 5, 7, 1, 1},
        {7, 4, 6, 1, 6}, {3, 4, 7, 5, 7}, {7, 1, 2, 2, 2}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 6}};
    if (ch >= 'A' && ch <= 'Z') {
        return kLetters[ch - 'A'];
    }
    if (ch >= '0' && ch <= '9') {
        return kDigits[ch - '0'];
    }
    return nullptr;
}

// Draws `text` centred on (cx, cy): white letters with a dark rim, `scale` pixels a dot.
void Label(Canvas& c, const std::string& text, double cx, double cy, int scale) {
    const int width = static_cast<int>(text.size()) * 4 * scale - scale;
    const int x0 = static_cast<int>(std::lround(cx - width / 2.0)),
              y0 = static_cast<int>(std::lround(cy - 2.5 * scale));
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            const std::uint8_t* g = Glyph(text[i]);
            if (!g) {
                continue;
            }
            for (int row = 0; row < 5; ++row) {
                for (int col = 0; col < 3; ++col) {
                    if (!((g[row] >> (2 - col)) & 1)) {
                        continue;
                    }
                    const int px = x0 + static_cast<int>(i) * 4 * scale + col * scale, py = y0 + row * scale;
                    for (int dy = 0; dy < scale; ++dy) {
                        for (int dx = 0; dx < scale; ++dx) {
                            if (pass == 0) {
                                for (int oy = -1; oy <= 1; ++oy) {
                                    for (int ox = -1; ox <= 1; ++ox) {
                                        c.set(px + dx + ox, py + dy + oy, 1); // the rim
                                    }
                                }
                            } else {
                                c.set(px + dx, py + dy, palette::kWhite);
                            }
                        }
                    }
                }
            }
        }
    }
}

// Whether a point lies inside a building's outline, which differs by race: square corners,
// cut corners, or rounded corners.
bool InBuilding(int race, double x, double y, double x0, double y0, double x1, double y1) {
    if (x < x0 || y < y0 || x >= x1 || y >= y1) {
        return false;
    }
    const double cut = std::min(x1 - x0, y1 - y0) / 4;
    const double dx = std::min(x - x0, x1 - x), dy = std::min(y - y0, y1 - y);
    switch (race) {
    case 1:
        return dx + dy >= cut;
    case 2:
        return dx >= cut || dy >= cut || std::hypot(cut - dx, cut - dy) <= cut;
    default:
        return true;
    }
}

Canvas DrawUnitFrame(const UnitPlan& plan, int frame, int frames, int w, int h, Random& random) {
    Canvas c(w, h);
    const double cx = w / 2.0;
    const double cy = h / 2.0;
    const double angle = 2 * std::numbers::pi * frame / frames - std::numbers::pi / 2;
    const double bw = plan.boxWidth / 2.0;
    const double bh = plan.boxHeight / 2.0;
    const int ramp = BodyRamp(plan.race);
    switch (plan.kind) {
    case UnitKind::Ground: {
        FillEllipse(c, cx, cy, bw, bh, ramp, true);
        // A light nose shows which way the unit faces.
        Disc(c, cx + std::cos(angle) * bw * 0.6, cy + std::sin(angle) * bh * 0.6, std::max(1.5, bw / 5),
             palette::kWhite - 1);
        break;
    }
    case UnitKind::Flyer: {
        const double r = std::max(bw, bh);
        // The shadow on the ground below and to the right: the unit is in the air.
        const double shadowX = std::max(4.0, r * 0.35), shadowY = std::max(6.0, r * 0.5);
        const double tri[3][2] = {{cx + std::cos(angle) * r, cy + std::sin(angle) * r * 0.8},
                                  {cx + std::cos(angle + 2.4) * r, cy + std::sin(angle + 2.4) * r * 0.8},
                                  {cx + std::cos(angle - 2.4) * r, cy + std::sin(angle - 2.4) * r * 0.8}};
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                if (InTriangle(x + 0.5 - shadowX, y + 0.5 - shadowY, tri)) {
                    c.set(x, y, 2);
                }
            }
        }
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                if (InTriangle(x + 0.5, y + 0.5, tri)) {
                    const double dx = x + 0.5 - cx;
                    const double dy = y + 0.5 - cy;
                    const double dist = std::hypot(dx, dy) / r;
                    c.set(x, y,
                          dist > 0.45 ? PlayerShade(1.0 - dist * 0.6) : Shade(ramp, Lighting(dx, dy, r, r)));
                }
            }
        }
        Disc(c, cx, cy, std::max(1.5, r / 5), palette::kWhite - 2);
        break;
    }
    case UnitKind::Building: {
        // The placement box as a dotted frame; inside it the building, whose outline tells
        // its race, with a roof in the player's colour and a band in the race's colour.
        const double x0 = cx - bw, x1 = cx + bw, y0 = cy - bh, y1 = cy + bh;
        const double in = std::max(2.0, std::min(bw, bh) / 6);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const double px = x + 0.5, py = y + 0.5;
                if (!InBuilding(plan.race, px, py, x0 + in, y0 + in, x1 - in, y1 - in)) {
                    continue;
                }
                const bool rim = !InBuilding(plan.race, px - 1.5, py, x0 + in, y0 + in, x1 - in, y1 - in) ||
                                 !InBuilding(plan.race, px + 1.5, py, x0 + in, y0 + in, x1 - in, y1 - in) ||
                                 !InBuilding(plan.race, px, py - 1.5, x0 + in, y0 + in, x1 - in, y1 - in) ||
                                 !InBuilding(plan.race, px, py + 1.5, x0 + in, y0 + in, x1 - in, y1 - in);
                const double t = (py - y0 - in) / std::max(1.0, y1 - y0 - 2 * in);
                const double light = 1.0 - t * 0.6 - (px - cx) / std::max(1.0, bw) * 0.15;
                int v = Shade(ramp, light * 0.85);
                if (rim) {
                    v = ramp + 1;
                } else if (t < 0.3) {
                    v = PlayerShade(light);
                } else if (t > 0.55 && t < 0.72) {
                    v = Shade(ramp, 0.95); // the race band, in the light of the race's own ramp
                } else if (t > 0.8 && static_cast<int>(px - x0) % 8 == 4 && static_cast<int>(py) % 2 == 0) {
                    v = (frame % 2 == 0) ? palette::kWhite : palette::kCrystalRamp + 6;
                }
                c.set(x, y, v);
            }
        }
        for (int x = static_cast<int>(x0); x < static_cast<int>(x1); ++x) {
            if (x % 4 < 2) {
                c.set(x, static_cast<int>(y0), PlayerShade(1.0));
                c.set(x, static_cast<int>(y1) - 1, PlayerShade(1.0));
            }
        }
        for (int y = static_cast<int>(y0); y < static_cast<int>(y1); ++y) {
            if (y % 4 < 2) {
                c.set(static_cast<int>(x0), y, PlayerShade(1.0));
                c.set(static_cast<int>(x1) - 1, y, PlayerShade(1.0));
            }
        }
        break;
    }
    case UnitKind::Minerals: {
        // Frame 0 is a full field; each later frame, for less left in it, has a crystal fewer.
        for (int i = 0; i < 7; ++i) {
            const double px = cx - bw * 0.75 + (bw * 1.5) * i / 6 + random.range(-3, 3);
            const double py = cy - bh * 0.2 + random.range(-4, 6);
            const double r = 8 + random.below(7);
            if (i % 2 == 1 && i / 2 < frame) {
                continue;
            }
            for (int y = static_cast<int>(py - r); y <= static_cast<int>(py + r); ++y) {
                for (int x = static_cast<int>(px - r / 2); x <= static_cast<int>(px + r / 2); ++x) {
                    const double d = std::abs(x - px) / (r / 2) + std::abs(y - py) / r;
                    if (d <= 1.0) {
                        c.set(x, y, Shade(palette::kCrystalRamp, 1.0 - d * 0.6 - (x < px ? 0 : 0.3)));
                    }
                }
            }
        }
        break;
    }
    case UnitKind::Geyser: {
        FillEllipse(c, cx, cy, bw, bh, palette::kEarthRamp, false);
        FillEllipse(c, cx, cy, bw * 0.4, bh * 0.4, palette::kGreyRamp, false);
        Disc(c, cx, cy - bh * 0.2 - frame % 3, 3, palette::kWhite - 3);
        break;
    }
    case UnitKind::Turret: {
        Disc(c, cx, cy, std::max(3.0, bw * 0.6), Shade(ramp, 0.5));
        Line(c, cx, cy, cx + std::cos(angle) * bw * 1.4, cy + std::sin(angle) * bh * 1.4, 2.5,
             PlayerShade(0.8));
        break;
    }
    case UnitKind::StartLocation: {
        for (int i = 0; i < 2; ++i) {
            Line(c, cx - bw + 2, cy - bh + 2, cx + bw - 2, cy + bh - 2, 2, PlayerShade(0.7));
            Line(c, cx + bw - 2, cy - bh + 2, cx - bw + 2, cy + bh - 2, 2, PlayerShade(0.7));
        }
        Line(c, cx - bw + 1, cy - bh + 1, cx + bw - 1, cy - bh + 1, 2, PlayerShade(1.0));
        Line(c, cx - bw + 1, cy + bh - 1, cx + bw - 1, cy + bh - 1, 2, PlayerShade(1.0));
        Line(c, cx - bw + 1, cy - bh + 1, cx - bw + 1, cy + bh - 1, 2, PlayerShade(1.0));
        Line(c, cx + bw - 1, cy - bh + 1, cx + bw - 1, cy + bh - 1, 2, PlayerShade(1.0));
        break;
    }
    case UnitKind::Critter: {
        FillEllipse(c, cx, cy, bw, bh * 0.7, palette::kEarthRamp, false);
        for (int leg = 0; leg < 4; ++leg) {
            const double lx = cx - bw * 0.6 + leg * bw * 0.4;
            Line(c, lx, cy + bh * 0.4, lx + ((frame + leg) % 2 ? 2 : -2), cy + bh, 1,
                 palette::kEarthRamp + 1);
        }
        break;
    }
    case UnitKind::Powerup: {
        Disc(c, cx, cy, bw, Shade(palette::kCrystalRamp, 0.4));
        Disc(c, cx - bw * 0.2, cy - bh * 0.2, bw * 0.5, Shade(palette::kCrystalRamp, 0.9));
        Disc(c, cx - bw * 0.3, cy - bh * 0.3, std::max(1.0, bw * 0.15), palette::kWhite);
        break;
    }
    case UnitKind::Beacon: {
        Line(c, cx - bw * 0.5, cy + bh, cx - bw * 0.5, cy - bh, 1.5, palette::kGreyRamp + 6);
        for (int y = 0; y < static_cast<int>(bh); ++y) {
            for (int x = 0; x < static_cast<int>(bw * 1.2); ++x) {
                c.set(static_cast<int>(cx - bw * 0.5) + 1 + x,
                      static_cast<int>(cy - bh) + y + (x + frame) % 3 / 2,
                      PlayerShade(0.4 + 0.5 * (y % 4 < 2)));
            }
        }
        break;
    }
    case UnitKind::None:
        break;
    }
    return c;
}

// Two or three letters from a stand-in name: the initials of its words after the race's
// name (a number whole), or the first two letters of a single word.
std::string ShortLabel(const std::string& name) {
    std::vector<std::string> words;
    std::string word;
    for (char ch : name + " ") {
        if (std::isalnum(static_cast<unsigned char>(ch))) {
            word += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        } else if (!word.empty()) {
            words.push_back(word);
            word.clear();
        }
    }
    if (words.size() > 1) {
        for (const char* race : kRaceNames) {
            std::string upper = race;
            std::transform(upper.begin(), upper.end(), upper.begin(),
                           [](unsigned char ch) { return static_cast<char>(std::toupper(ch)); });
            if (words.front() == upper) {
                words.erase(words.begin());
                break;
            }
        }
    }
    std::erase(words, "TYPE"); // "Crystal Field (Type 2)" reads CF2
    if (words.empty()) {
        return "";
    }
    if (words.size() == 1) {
        return words.front().substr(0, 2);
    }
    std::string label;
    for (const std::string& w : words) {
        if (label.size() < 3) {
            label += std::isdigit(static_cast<unsigned char>(w.front())) ? w.substr(0, 3 - label.size())
                                                                         : w.substr(0, 1);
        }
    }
    return label;
}

std::vector<std::uint8_t> UnitSheet(const UnitPlan& plan, const std::string& label, Random& random) {
    const int frames = plan.kind == UnitKind::Building || plan.kind == UnitKind::Minerals ? 4 : 8;
    // Flyers leave room for their shadow.
    const int extra = plan.kind == UnitKind::Flyer ? 8 + std::max(plan.boxWidth, plan.boxHeight) / 2 : 8;
    const int w = std::min(255, plan.boxWidth + extra);
    const int h = std::min(255, plan.boxHeight + extra);
    std::vector<Canvas> canvases;
    const std::uint64_t shapeSeed = random.next();
    const int scale = std::min(plan.boxWidth, plan.boxHeight) >= 48 ? 2 : 1;
    for (int f = 0; f < frames; ++f) {
        Random shape(shapeSeed); // the same crystals in every frame
        Canvas c = DrawUnitFrame(plan, f, frames, w, h, shape);
        if (plan.kind != UnitKind::None && plan.kind != UnitKind::StartLocation &&
            plan.kind != UnitKind::Turret) {
            Label(c, label, w / 2.0, h / 2.0 + (plan.kind == UnitKind::Building ? 0 : 1), scale);
        }
        canvases.push_back(std::move(c));
    }
    return EncodeGrp(canvases);
}

// Selection circles: rings of indices 1..8, from the smallest to the largest unit.
std::vector<std::uint8_t> SelectionSheet(int index) {
    static constexpr int kWidths[kSelectionCircles] = {22, 32, 48, 62, 72, 94, 110, 122, 146, 224};
    const int w = kWidths[index];
    const int h = std::max(10, w * 5 / 8);
    Canvas c(w + 2, h + 2);
    const double cx = (w + 2) / 2.0, cy = (h + 2) / 2.0, rx = w / 2.0, ry = h / 2.0;
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            const double dx = (x + 0.5 - cx) / rx;
            const double dy = (y + 0.5 - cy) / ry;
            const double d = std::sqrt(dx * dx + dy * dy);
            const double thickness = 2.0 / rx;
            if (d <= 1.0 && d >= 1.0 - thickness) {
                const double along = std::atan2(dy, dx) / (2 * std::numbers::pi) + 0.5;
                c.set(x, y, 1 + static_cast<int>(along * 8) % 8);
            }
        }
    }
    return EncodeGrp({c});
}

// ---- tables ----------------------------------------------------------------------------

struct Strings {
    std::vector<std::string> all;
    int Add(std::string s) {
        all.push_back(std::move(s));
        return static_cast<int>(all.size()); // 1-based id
    }
};

std::string UnitGroup(const UnitPlan& plan) {
    switch (plan.kind) {
    case UnitKind::Ground:
    case UnitKind::Turret:
        return "Ground Units";
    case UnitKind::Flyer:
        return "Air Units";
    case UnitKind::Building:
        return "Buildings";
    case UnitKind::Minerals:
    case UnitKind::Geyser:
        return "Resources";
    case UnitKind::StartLocation:
        return "Start Location";
    case UnitKind::Critter:
        return "Critters";
    case UnitKind::Powerup:
        return "Powerups";
    default:
        return "Special";
    }
}

std::string UnitName(int u, const UnitPlan& plan, Random& random) {
    switch (plan.kind) {
    case UnitKind::Minerals:
        return "Crystal Field (Type " + std::to_string(u - 175) + ")";
    case UnitKind::Geyser:
        return "Vapor Vent";
    case UnitKind::StartLocation:
        return "Start Location";
    case UnitKind::Turret:
        return std::string(kRaceNames[plan.race]) + " " + MadeUpWord(random) + " Turret";
    case UnitKind::Building:
        return std::string(kRaceNames[plan.race]) + " " + MadeUpWord(random) + " " +
               kBuildingWords[random.below(10)];
    case UnitKind::Critter:
        return MadeUpWord(random) + " Critter";
    case UnitKind::Powerup:
        return MadeUpWord(random) + " Shard";
    case UnitKind::Beacon:
        return MadeUpWord(random) + " Beacon";
    case UnitKind::None:
        return "Unused " + std::to_string(u);
    default:
        return std::string(kRaceNames[plan.race]) + " " + MadeUpWord(random);
    }
}

} // namespace

const char* KindName(UnitKind kind) {
    switch (kind) {
    case UnitKind::Ground:
        return "ground";
    case UnitKind::Flyer:
        return "flyer";
    case UnitKind::Building:
        return "building";
    case UnitKind::Minerals:
        return "minerals";
    case UnitKind::Geyser:
        return "geyser";
    case UnitKind::Turret:
        return "turret";
    case UnitKind::StartLocation:
        return "start";
    case UnitKind::Critter:
        return "critter";
    case UnitKind::Powerup:
        return "powerup";
    case UnitKind::Beacon:
        return "beacon";
    case UnitKind::None:
        return "none";
    }
    return "none";
}

UnitPlan PlanUnit(int u) {
    UnitPlan p;
    p.flingy = FlingyOf(u);
    const bool isTurret = std::find(std::begin(kParentsWithTurrets), std::end(kParentsWithTurrets), u - 1) !=
                          std::end(kParentsWithTurrets);
    if (u < 106) {
        p.race = u % 3;
        if (isTurret) {
            p.kind = UnitKind::Turret;
            p.boxWidth = p.boxHeight = 16;
            p.elevation = 5;
            p.flags = 0x10;
        } else if (u % 5 == 4) {
            p.kind = UnitKind::Flyer;
            p.boxWidth = 32 + (u * 7 % 3) * 16;
            p.boxHeight = p.boxWidth * 3 / 4;
            p.elevation = 12 + u % 7;
            p.flags = 0x4;
        } else {
            p.kind = UnitKind::Ground;
            p.boxWidth = 16 + (u * 7 % 5) * 8;
            p.boxHeight = 16 + (u * 3 % 4) * 8;
            p.elevation = 1 + u % 5;
        }
        if (p.kind != UnitKind::Turret && u % 7 == 3) {
            p.flags |= 0x200000; // spellcaster
        }
        if (u % 17 == 1) {
            p.flags |= 0x8; // worker
        }
        p.flags |= p.race == 0   ? 0x10000
                   : p.race == 1 ? 0x40000000
                                 : 0x4000; // organic / mechanical / robotic
    } else if (u < 202) {
        p.race = u % 3;
        if (u >= 176 && u <= 178) {
            p.kind = UnitKind::Minerals;
            p.race = 3;
            p.boxWidth = 64;
            p.boxHeight = 32;
            p.flags = 0x1 | 0x2000;
        } else if (u == 188) {
            p.kind = UnitKind::Geyser;
            p.race = 3;
            p.boxWidth = 128;
            p.boxHeight = 64;
            p.flags = 0x1 | 0x2000;
        } else {
            p.kind = UnitKind::Building;
            static constexpr int kWidths[] = {64, 96, 128};
            static constexpr int kHeights[] = {48, 64, 96};
            p.boxWidth = kWidths[u % 3];
            p.boxHeight = kHeights[(u / 3) % 3];
            p.flags = 0x1;
            if (u % 24 == 0) {
                p.flags |= 0x1000; // resource depot
            }
            if (u % 9 == 0) {
                p.flags |= 0x20; // can lift off
            }
            p.flags |= p.race == 0 ? 0x20000 : p.race == 2 ? 0x80000 : 0; // creep / psi field
        }
        p.elevation = 4;
    } else {
        p.race = 3;
        if (u == 214) {
            p.kind = UnitKind::StartLocation;
            p.boxWidth = 128;
            p.boxHeight = 96;
            p.flags = 0x20000000;
        } else if (u < 214) {
            p.kind = UnitKind::Critter;
            p.boxWidth = 16 + (u % 2) * 8;
            p.boxHeight = 16;
            p.elevation = 1 + u % 2;
            p.flags = 0x10000;
        } else if (u < 220) {
            p.kind = UnitKind::Powerup;
            p.boxWidth = p.boxHeight = 16 + (u % 3) * 8;
            p.elevation = 3;
            p.flags = 0x800 | 0x20000000;
        } else if (u < 223) {
            p.kind = UnitKind::Beacon;
            p.boxWidth = 32;
            p.boxHeight = 32;
            p.flags = 0x20000000;
        } else {
            p.kind = UnitKind::None;
        }
    }
    if (std::find(std::begin(kParentsWithTurrets), std::end(kParentsWithTurrets), u) !=
        std::end(kParentsWithTurrets)) {
        p.turret = u + 1;
    }
    p.expansion = u < 202 && u % 11 == 10 && p.kind != UnitKind::Turret;
    p.shields = p.race == 2;
    return p;
}

FileSet GenerateGameData() {
    Random random(kSeed);
    FileSet files;
    Strings strings;

    // Unit names come first: string id u + 1 names unit u.
    std::vector<UnitPlan> plans;
    std::vector<std::string> labels;
    for (int u = 0; u < kUnitCount; ++u) {
        plans.push_back(PlanUnit(u));
        const UnitPlan& p = plans.back();
        const std::string subtitle = p.kind == UnitKind::Ground && u >= 70 && u % 4 == 0 ? "Hero" : "*";
        const std::string name = UnitName(u, p, random);
        labels.push_back(ShortLabel(name));
        strings.Add(name + std::string(1, '\0') + subtitle + std::string(1, '\0') + UnitGroup(p));
    }
    std::vector<int> weaponLabels, upgradeLabels, techLabels;
    for (int w = 0; w < kWeaponCount; ++w) {
        weaponLabels.push_back(strings.Add(std::string(kWeaponAdjectives[w % 10]) + " " +
                                           kWeaponNouns[w % 13] +
                                           (w >= 100 ? " Mk " + std::to_string(w / 100 + 1) : "")));
    }
    for (int i = 0; i < kUpgradeCount; ++i) {
        upgradeLabels.push_back(strings.Add(std::string(kRaceNames[i % 4]) + " " + kUpgradeNouns[i % 8] +
                                            (i >= 32 ? " II" : "")));
    }
    for (int i = 0; i < kTechCount; ++i) {
        techLabels.push_back(strings.Add(MadeUpWord(random) + " " + kTechNouns[i % 8]));
    }
    const int outOfRange = strings.Add("Target is out of range.");
    const int invalidTarget = strings.Add("Invalid target.");
    TilesetInputs tilesetInputs;
    for (const std::string& name : DoodadGroupNames()) {
        tilesetInputs.doodadNameIds.push_back(strings.Add(name));
    }

    // units.dat
    DatTable unitsDat(units::kSize);
    for (int u = 0; u < kUnitCount; ++u) {
        const UnitPlan& p = plans[static_cast<std::size_t>(u)];
        const auto i = static_cast<std::size_t>(u);
        const bool fighter = (p.kind == UnitKind::Ground && u % 17 != 1) || p.kind == UnitKind::Flyer ||
                             p.kind == UnitKind::Turret || (p.kind == UnitKind::Building && u % 13 == 0);
        unitsDat.Set8(units::Flingy, i, static_cast<std::uint32_t>(p.flingy));
        unitsDat.Set16(units::Subunit1, i, static_cast<std::uint32_t>(p.turret));
        unitsDat.Set16(units::Subunit2, i, kUnitCount);
        if (u >= 106 && u < 202) {
            unitsDat.Set16(units::Infestation, i - 106, kUnitCount);
        }
        unitsDat.Set8(units::Facing, i, static_cast<std::uint32_t>(random.below(32)));
        unitsDat.Set8(units::ShieldEnabled, i, p.shields ? 1 : 0);
        unitsDat.Set16(units::ShieldAmount, i, p.shields ? static_cast<std::uint32_t>(20 + u * 13 % 180) : 0);
        const int hp = p.kind == UnitKind::Building                                 ? 200 + u * 37 % 1300
                       : p.kind == UnitKind::Minerals || p.kind == UnitKind::Geyser ? 100000
                       : p.kind == UnitKind::None                                   ? 1
                                                                                    : 20 + u * 29 % 380;
        unitsDat.Set32(units::HitPoints, i, static_cast<std::uint32_t>(hp) << 8);
        unitsDat.Set8(units::Elevation, i, static_cast<std::uint32_t>(p.elevation));
        unitsDat.Set8(units::Rank, i, p.kind == UnitKind::Ground ? static_cast<std::uint32_t>(u % 6) : 0);
        unitsDat.Set8(units::GroundWeapon, i,
                      fighter && p.kind != UnitKind::Flyer ? static_cast<std::uint32_t>(u % kWeaponCount)
                                                           : kWeaponCount);
        unitsDat.Set8(units::MaxGroundHits, i, fighter ? 1 : 0);
        unitsDat.Set8(units::AirWeapon, i,
                      fighter && u % 2 == 0 ? static_cast<std::uint32_t>((u * 3 + 1) % kWeaponCount)
                                            : kWeaponCount);
        unitsDat.Set8(units::MaxAirHits, i, fighter && u % 2 == 0 ? 1 : 0);
        unitsDat.Set32(units::Flags, i, p.flags);
        unitsDat.Set8(units::TargetRange, i, fighter ? 3 + static_cast<std::uint32_t>(u % 6) : 0);
        unitsDat.Set8(units::SightRange, i, 5 + static_cast<std::uint32_t>(u % 7));
        unitsDat.Set8(units::ArmorUpgrade, i, static_cast<std::uint32_t>(u % 16));
        unitsDat.Set8(units::SizeClass, i,
                      p.kind == UnitKind::Building ? 3 : 1 + static_cast<std::uint32_t>(p.boxWidth / 24 % 3));
        unitsDat.Set8(units::Armor, i, static_cast<std::uint32_t>(u % 4));
        unitsDat.Set16(units::PlacementBox, 2 * i, static_cast<std::uint32_t>(p.boxWidth));
        unitsDat.Set16(units::PlacementBox, 2 * i + 1, static_cast<std::uint32_t>(p.boxHeight));
        const auto halfW = static_cast<std::uint32_t>(p.boxWidth / 2);
        const auto halfH = static_cast<std::uint32_t>(p.boxHeight / 2);
        unitsDat.Set16(units::Dimensions, 4 * i, halfW);
        unitsDat.Set16(units::Dimensions, 4 * i + 1, halfH);
        unitsDat.Set16(units::Dimensions, 4 * i + 2, halfW - 1);
        unitsDat.Set16(units::Dimensions, 4 * i + 3, halfH - 1);
        unitsDat.Set16(units::Portrait, i, static_cast<std::uint32_t>(u % 100));
        const bool buildable =
            p.kind == UnitKind::Ground || p.kind == UnitKind::Flyer || p.kind == UnitKind::Building;
        unitsDat.Set16(units::Minerals, i, buildable ? 25 + static_cast<std::uint32_t>(u * 25 % 400) : 0);
        unitsDat.Set16(units::Gas, i, buildable ? static_cast<std::uint32_t>(u * 50 % 300) : 0);
        unitsDat.Set16(units::BuildTime, i, buildable ? 200 + static_cast<std::uint32_t>(u * 90 % 1800) : 0);
        std::uint32_t group = p.race < 3 ? (1u << p.race) : 0;
        if (p.kind == UnitKind::Ground || p.kind == UnitKind::Flyer) {
            group |= 0x08;
        }
        if (p.kind == UnitKind::Building) {
            group |= 0x10 | (u % 4 == 0 ? 0x20 : 0);
        }
        if (p.kind == UnitKind::Critter) {
            group |= 0x40;
        }
        if (p.race == 3 && p.kind != UnitKind::Critter) {
            group |= 0x80;
        }
        unitsDat.Set8(units::GroupFlags, i, group);
        unitsDat.Set8(units::SupplyProvided, i, p.kind == UnitKind::Building && u % 5 == 0 ? 16 : 0);
        unitsDat.Set8(units::SupplyRequired, i,
                      p.kind == UnitKind::Ground || p.kind == UnitKind::Flyer
                          ? 2 + static_cast<std::uint32_t>(u % 3) * 2
                          : 0);
        unitsDat.Set16(units::BuildScore, i, static_cast<std::uint32_t>(u * 7 % 500));
        unitsDat.Set16(units::DestroyScore, i, static_cast<std::uint32_t>(u * 11 % 900));
        unitsDat.Set8(units::Expansion, i, p.expansion ? 1 : 0);
        std::uint32_t availability = 0;
        if (p.kind != UnitKind::Turret && p.kind != UnitKind::None) {
            availability = 0x002 | 0x080 | 0x040 | 0x100;
            if (p.race < 3 || p.kind == UnitKind::StartLocation || p.kind == UnitKind::Beacon) {
                availability |= 0x001 | 0x008 | 0x004;
            }
            if (p.expansion) {
                availability |= 0x200;
            }
        }
        unitsDat.Set16(units::Availability, i, availability);
    }
    files["arr\\units.dat"] = unitsDat.bytes();

    // flingy.dat: flingy f shows sprite 130 + f.
    DatTable flingyDat(3135);
    for (std::size_t f = 0; f < kFlingyCount; ++f) {
        flingyDat.Set16(0, f, static_cast<std::uint32_t>(130 + f));
        flingyDat.Set32(418, f, 400 + static_cast<std::uint32_t>(f * 37 % 1200));
        flingyDat.Set16(1254, f, 20 + static_cast<std::uint32_t>(f % 50));
        flingyDat.Set32(1672, f, 3000 + static_cast<std::uint32_t>(f * 101 % 20000));
        flingyDat.Set8(2508, f, 20 + static_cast<std::uint32_t>(f % 40));
        flingyDat.Set8(2926, f, f % 3 == 0 ? 1 : 0);
    }
    files["arr\\flingy.dat"] = flingyDat.bytes();

    // sprites.dat: sprite s shows image s.
    DatTable spritesDat(3229);
    for (std::size_t s = 0; s < kSpriteCount; ++s) {
        spritesDat.Set16(0, s, static_cast<std::uint32_t>(s));
        spritesDat.Set8(1938, s, 1);
        if (s >= 130) {
            const int unit = UnitOfFlingy(static_cast<int>(s) - 130);
            const UnitPlan p = unit < kUnitCount ? plans[static_cast<std::size_t>(unit)] : UnitPlan{};
            spritesDat.Set8(1034, s - 130, static_cast<std::uint32_t>(std::max(10, p.boxWidth / 2)));
            spritesDat.Set8(2455, s - 130, static_cast<std::uint32_t>(SelectionCircleFor(p)));
            spritesDat.Set8(2842, s - 130, static_cast<std::uint32_t>(p.boxHeight / 2 + 2));
        }
    }
    files["arr\\sprites.dat"] = spritesDat.bytes();

    // images.tbl and images.dat: one sheet per flingy with a look, then the circles.
    std::vector<std::string> imageNames;
    DatTable imagesDat(37962);
    for (int f = 0; f < kFlingyCount; ++f) {
        const int unit = UnitOfFlingy(f);
        if (f == kSheetlessFlingy || unit >= kUnitCount) {
            continue;
        }
        char name[64];
        std::snprintf(name, sizeof name, "standin\\%s%03d.grp",
                      KindName(plans[static_cast<std::size_t>(unit)].kind), f);
        imageNames.push_back(name);
        const auto image = static_cast<std::size_t>(130 + f);
        imagesDat.Set32(0, image, static_cast<std::uint32_t>(imageNames.size()));
        files[std::string("unit\\") + name] =
            UnitSheet(plans[static_cast<std::size_t>(unit)], labels[static_cast<std::size_t>(unit)], random);
    }
    for (int c = 0; c < kSelectionCircles; ++c) {
        const std::string name = "standin\\select" + std::to_string(c) + ".grp";
        imageNames.push_back(name);
        const auto image = static_cast<std::size_t>(kFirstSelectionImage + c);
        imagesDat.Set32(0, image, static_cast<std::uint32_t>(imageNames.size()));
        imagesDat.Set8(7992, image, 13); // selection circle
        files["unit\\" + name] = SelectionSheet(c);
    }
    // Doodad overlays: sprite s shows image s, which names its sheet.
    tilesetInputs.firstOverlaySprite = kFirstOverlaySprite;
    tilesetInputs.overlayCount = kOverlaySprites;
    for (int k = 0; k < kOverlaySprites; ++k) {
        char name[64];
        std::snprintf(name, sizeof name, "standin\\doodad%02d.grp", k);
        imageNames.push_back(name);
        imagesDat.Set32(0, static_cast<std::size_t>(kFirstOverlaySprite + k),
                        static_cast<std::uint32_t>(imageNames.size()));
        files[std::string("unit\\") + name] = OverlaySheet(k);
    }
    for (std::size_t i = 0; i < kImageCount; ++i) {
        const bool unitImage = i >= 130 && i < 130 + kFlingyCount;
        imagesDat.Set8(3996, i, unitImage ? 1 : 0);
        imagesDat.Set8(4995, i, unitImage ? 1 : 0);
        imagesDat.Set8(5994, i, 1);
    }
    files["arr\\images.dat"] = imagesDat.bytes();
    files["arr\\images.tbl"] = EncodeStringTable(imageNames);

    // weapons.dat
    DatTable weaponsDat(5460);
    for (std::size_t w = 0; w < kWeaponCount; ++w) {
        weaponsDat.Set16(0, w, static_cast<std::uint32_t>(weaponLabels[w]));
        weaponsDat.Set32(260, w, static_cast<std::uint32_t>(w % kFlingyCount));
        weaponsDat.Set16(910, w, w % 3 == 0 ? 0x3 : w % 3 == 1 ? 0x2 : 0x1);
        weaponsDat.Set32(1170, w, 0);
        weaponsDat.Set32(1690, w, 32 + static_cast<std::uint32_t>(w * 16 % 224));
        weaponsDat.Set8(2210, w, static_cast<std::uint32_t>(w % kUpgradeCount));
        weaponsDat.Set8(2340, w, static_cast<std::uint32_t>(w % 5));
        weaponsDat.Set8(2470, w, static_cast<std::uint32_t>(w % 4));
        weaponsDat.Set8(2600, w, 20);
        weaponsDat.Set8(2730, w, static_cast<std::uint32_t>(w % 3));
        weaponsDat.Set16(2860, w, w % 4 == 0 ? 10 : 0);
        weaponsDat.Set16(3120, w, w % 4 == 0 ? 20 : 0);
        weaponsDat.Set16(3380, w, w % 4 == 0 ? 40 : 0);
        weaponsDat.Set16(3640, w, 5 + static_cast<std::uint32_t>(w * 7 % 96));
        weaponsDat.Set16(3900, w, 1 + static_cast<std::uint32_t>(w % 5));
        weaponsDat.Set8(4160, w, 15 + static_cast<std::uint32_t>(w % 46));
        weaponsDat.Set8(4290, w, 1 + static_cast<std::uint32_t>(w % 2));
        weaponsDat.Set8(4420, w, 16);
        weaponsDat.Set16(4940, w, static_cast<std::uint32_t>(w % 2 ? outOfRange : invalidTarget));
        weaponsDat.Set16(5200, w, static_cast<std::uint32_t>(w % 300));
    }
    files["arr\\weapons.dat"] = weaponsDat.bytes();

    // upgrades.dat: 16 three-level upgrades, then one-level ones, the last six unused.
    DatTable upgradesDat(1281);
    for (std::size_t i = 0; i < kUpgradeCount; ++i) {
        const bool used = i < 55;
        upgradesDat.Set16(0, i, used ? 100 + static_cast<std::uint32_t>(i * 25 % 200) : 0);
        upgradesDat.Set16(122, i, used && i < 16 ? 50 : 0);
        upgradesDat.Set16(244, i, used ? 100 + static_cast<std::uint32_t>(i * 50 % 200) : 0);
        upgradesDat.Set16(366, i, used && i < 16 ? 50 : 0);
        upgradesDat.Set16(488, i, used ? 2000 + static_cast<std::uint32_t>(i * 100 % 2000) : 0);
        upgradesDat.Set16(610, i, used && i < 16 ? 400 : 0);
        upgradesDat.Set16(854, i, static_cast<std::uint32_t>(i));
        upgradesDat.Set16(976, i, used ? static_cast<std::uint32_t>(upgradeLabels[i]) : 0);
        upgradesDat.Set8(1098, i, static_cast<std::uint32_t>(i % 4));
        upgradesDat.Set8(1159, i, i < 16 ? 3 : used ? 1 : 0);
        upgradesDat.Set8(1220, i, i >= 44 && used ? 1 : 0);
    }
    files["arr\\upgrades.dat"] = upgradesDat.bytes();

    // techdata.dat
    DatTable techDat(836);
    for (std::size_t i = 0; i < kTechCount; ++i) {
        techDat.Set16(0, i, 100 + static_cast<std::uint32_t>(i * 25 % 200));
        techDat.Set16(88, i, 100 + static_cast<std::uint32_t>(i * 50 % 200));
        techDat.Set16(176, i, 1200 + static_cast<std::uint32_t>(i * 100 % 1800));
        techDat.Set16(264, i, i % 5 == 0 ? 0 : 25 + static_cast<std::uint32_t>(i * 25 % 150));
        techDat.Set16(528, i, static_cast<std::uint32_t>(i));
        techDat.Set16(616, i, static_cast<std::uint32_t>(techLabels[i]));
        techDat.Set8(704, i, static_cast<std::uint32_t>(i % 4));
        techDat.Set8(748, i, i % 6 == 4 ? 1 : 0);
        techDat.Set8(792, i, i >= 24 ? 1 : 0);
    }
    files["arr\\Techdata.dat"] = techDat.bytes();

    files["rez\\stat_txt.tbl"] = EncodeStringTable(strings.all);

    // Colour rows: player colour c shade k is palette index 128 + 4c + k / 2.
    std::vector<std::uint8_t> tunit, tselect, tminimap;
    for (int c = 0; c < 16; ++c) {
        for (int k = 0; k < 8; ++k) {
            tunit.push_back(static_cast<std::uint8_t>(palette::kPlayerColours + 4 * c + k / 2));
        }
        tminimap.push_back(static_cast<std::uint8_t>(palette::kPlayerColours + 4 * c + 2));
    }
    for (int i = 0; i < 24; ++i) {
        tselect.push_back(static_cast<std::uint8_t>(palette::kSelection + i));
    }
    files["game\\tunit.pcx"] = EncodePcxRow(tunit);
    files["game\\tselect.pcx"] = EncodePcxRow(tselect);
    files["game\\tminimap.pcx"] = EncodePcxRow(tminimap);
    GenerateTilesets(tilesetInputs, files);
    return files;
}

} // namespace orv::standin
