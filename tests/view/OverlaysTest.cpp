#include "view/Overlays.h"

#include "base/Random.h"
#include "support/RecordingPrompter.h"
#include "support/StandinData.h"
#include "support/TestSupport.h"
#include "tools/MapTools.h"
#include "view/MapImage.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

namespace orv {
namespace {

TGameData& Game() {
    return test::StandinGameData();
}

struct Scene {
    test::RecordingPrompter prompter;
    TCHK chk{prompter, &Game().UnitsDat};
    CStarcraftTileset& tileset = Game().Tileset(4);
    CMapRenderer renderer;
    ViewState view{0, 0, 320, 256, 32, 0};
    OverlayState state;

    Scene() {
        SeedRandom(8);
        chk.NewMap(2, 4, 32, 32, &tileset);
    }
    // Renders with every frame pixel set to `fill` before the overlays.
    void Draw(std::uint32_t fill = 0x10C850) {
        // The map itself drawn, the frame is set to one colour and the overlays laid over it.
        ViewState plain = view;
        plain.DrawFlags = 0;
        renderer.DrawDisplay(chk, tileset, Game(), plain);
        std::fill(renderer.Frame32.begin(), renderer.Frame32.end(), fill);
        DrawAreaOverlays(renderer, chk, tileset, Game(), view, state);
        QImage screen(reinterpret_cast<uchar*>(renderer.Frame32.data()), view.ViewWidth, view.ViewHeight,
                      view.ViewWidth * 4, QImage::Format_RGB32);
        DrawScreenOverlays(screen, chk, tileset, Game(), view, state);
    }
    std::uint32_t At(int x, int y) const {
        return renderer.Frame32[static_cast<std::size_t>(y * view.ViewWidth + x)];
    }
};

TEST(Overlays, LocationsAreTintedBorderedAndCut) {
    Scene s;
    s.view.DrawFlags = draw_flags::kLocations;
    s.chk.Locations[5] = {64, 64, 160, 128, 0, 0, true};         // blue
    s.chk.Locations[6] = {200, 10, 400, 40, 0, 128 | 256, true}; // red (bit 8 wins), cut by the right edge
    s.chk.Locations[7] = {-300, 10, -100, 40, 0, 0, true};       // left of the view: nothing
    s.chk.Locations[63] = {10, 150, 60, 200, 0, 0, true};        // never drawn
    s.Draw(0x10C8C8);
    EXPECT_EQ(s.At(100, 100), 0x10C8FFu); // blue byte 200 + 96 saturates at 255
    EXPECT_EQ(s.At(64, 100), 0x0000FFu);  // its border
    EXPECT_EQ(s.At(159, 100), 0x0000FFu); // right edge inside the rectangle
    EXPECT_EQ(s.At(160, 100), 0x10C8C8u);
    EXPECT_EQ(s.At(250, 20) >> 16, 0x10u + 96u); // red tint
    EXPECT_EQ(s.At(319, 20), 0xFF0000u);         // the cut edge has a border
    EXPECT_EQ(s.At(30, 170), 0x10C8C8u);         // location 63
    s.state.SelectedLocation = 5;
    s.Draw(0x10C8C8);
    EXPECT_EQ(s.At(64, 100), 0xFFFFFFu);
    // Coordinates near +-2^31, as real maps hold them, cover the view without overflowing.
    s.chk.Locations[8] = {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0, 0, true};
    s.view.ScrollTileX = s.view.ScrollTileY = 1;
    s.Draw(0x101010);
    EXPECT_EQ(s.At(250, 100), 0x101070u);
}

TEST(Overlays, LocationsFollowTheElevationMask) {
    Scene s;
    s.view.DrawFlags = draw_flags::kLocations;
    s.chk.Locations[1] = {32, 32, 96, 96, 0, 0x3F, true}; // every elevation excluded
    s.Draw(0);
    EXPECT_NE(s.At(50, 50), 0u) << "drawn while the mask holds its start-up value";
    Game().Options.LocationElevationMask = 0x3F;
    s.Draw(0);
    Game().Options.LocationElevationMask = 0xFFFF;
    EXPECT_EQ(s.At(50, 50), 0u);
}

TEST(Overlays, FogShadesTheCurrentPlayersTilesOnly) {
    Scene s;
    s.view.DrawFlags = draw_flags::kFog;
    FogAll(s.chk, 0, false);
    s.chk.Fog(1, 1) = 1;
    s.Draw(0x808080);
    EXPECT_EQ(s.At(40, 40), 0x404040u);
    EXPECT_EQ(s.At(70, 40), 0x808080u);
    s.state.CurrentPlayer = 8; // no bit: nothing shaded, and fog all on changes nothing
    EXPECT_EQ(FogAll(s.chk, 8, true), nullptr);
    EXPECT_EQ(s.chk.Fog(5, 5), 0xFE); // as fog all off for player 1 left it
    s.Draw(0x808080);
    EXPECT_EQ(s.At(40, 40), 0x808080u);
}

TEST(Overlays, PlacabilityShadesByBuildingGroundOrNothing) {
    Scene s;
    s.view.DrawFlags = draw_flags::kPlacability;
    // Water (group 6 of the jungle) under tile (0, 0).
    s.chk.Displayed(0, 0) = 6 * 16;
    int building = -1, ground = -1, flyer = -1;
    for (int u = 0; u < 228; ++u) {
        const auto flags =
            ReadLEOr<std::uint32_t>(Game().UnitsDat, 7032 + 4 * static_cast<std::size_t>(u), 0);
        if ((flags & 1) && !(flags & 4) && building < 0)
            building = u;
        if (!(flags & 5) && ground < 0)
            ground = u;
        if ((flags & 4) && !(flags & 1) && flyer < 0)
            flyer = u;
    }
    s.state.CurrentUnitType = building;
    s.Draw(0x808080);
    EXPECT_EQ(s.At(5, 5), 0x404040u);
    EXPECT_EQ(s.At(40, 5), 0x808080u);
    s.state.CurrentUnitType = ground;
    s.Draw(0x808080);
    EXPECT_EQ(s.At(5, 5), 0x804040u); // unwalkable: blue and green halved
    s.state.CurrentUnitType = flyer;
    s.Draw(0x808080);
    EXPECT_EQ(s.At(5, 5), 0x808080u);
}

TEST(Overlays, GridLinesLieEverySixteenPixelsWhenBothAreOn) {
    Scene s;
    Game().Options.ShowGrid = Game().Options.ShowFineGrid = true;
    s.Draw(0x808080);
    Game().Options.ShowGrid = Game().Options.ShowFineGrid = false;
    EXPECT_EQ(s.At(32, 5), 0x111111u);
    EXPECT_EQ(s.At(48, 5), 0x222222u);
    EXPECT_EQ(s.At(40, 5), 0x808080u);
}

TEST(Overlays, MapRevealersEveryTwelveTilesInsideTheMapForTheirPlayer) {
    Scene s;
    s.chk.Units.clear();
    AddMapRevealers(s.chk, 1);
    ASSERT_EQ(s.chk.Units.size(), 9u); // 32 x 32: 3 x 3
    test::RecordingPrompter prompter;
    for (int width : {64, 96, 128, 192, 256}) {
        for (int player : {1, 8}) {
            SCOPED_TRACE(std::to_string(width) + " wide, player " + std::to_string(player));
            TCHK map(prompter);
            map.Width = width;
            map.Height = 96;
            AddMapRevealers(map, player);
            const std::size_t across = static_cast<std::size_t>((width * 32 - 1 - 4 * player) / 384 + 1);
            EXPECT_EQ(map.Units.size(), across * 8);
            for (const UnitRecord& u : map.Units) {
                EXPECT_TRUE(u.X < width * 32 && u.Y < 96 * 32) << u.X << ", " << u.Y;
                EXPECT_EQ(u.Owner, player - 1) << "\"Add for player N\" gives them to player N";
                EXPECT_EQ(u.Type, 101);
            }
            EXPECT_EQ(map.Units[0].X, 4 * player);
        }
    }
}

TEST(MapImage, BandsJoinIntoTheSinglePicture) {
    Scene s;
    for (int i = 0; i < 60; ++i) {
        s.chk.AddUnit(16 + i * 17 % 1000, 250 + i * 3, i % 8, i % 100); // many across band edges
    }
    std::vector<std::uint32_t> banded, whole;
    RenderMapBands(s.chk, s.tileset, Game(), 64, [&](int, int, const std::uint32_t* p) {
        banded.insert(banded.end(), p, p + 32 * 32 * 64);
    });
    RenderMapBands(s.chk, s.tileset, Game(), 32 * 32, [&](int, int rows, const std::uint32_t* p) {
        whole.insert(whole.end(), p, p + 32 * 32 * static_cast<std::size_t>(rows));
    });
    EXPECT_EQ(banded.size(), whole.size());
    EXPECT_TRUE(banded == whole);
}

TEST(MapImage, ExportsAJpegOfThirtyTwoPixelsPerTile) {
    test::TempDir dir;
    test::RecordingPrompter prompter;
    TCHK chk(prompter, &Game().UnitsDat);
    chk.NewMap(2, 4, 64, 64, &Game().Tileset(4));
    ASSERT_TRUE(ExportMapImage(chk, Game().Tileset(4), Game(), dir.file("map-.bmp")).ok());
    const auto jpeg = test::ReadBytes(dir.path() / "map-.bmp");
    ASSERT_GT(jpeg.size(), 1000u);
    EXPECT_EQ(jpeg[0], 0xFF);
    EXPECT_EQ(jpeg[1], 0xD8); // JPEG data whatever the name
    // The frame header (SOF0, baseline) holds the size.
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            EXPECT_EQ((jpeg[i + 5] << 8) | jpeg[i + 6], 2048);
            EXPECT_EQ((jpeg[i + 7] << 8) | jpeg[i + 8], 2048);
            break;
        }
    }
}

// Limits the files this process writes to `bytes` while it lives, as a full disk would: a
// write beyond fails (EFBIG) instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGXFSZ, &ignore, &m_handler);
        getrlimit(RLIMIT_FSIZE, &m_limit);
        rlimit lower = m_limit;
        lower.rlim_cur = std::min(bytes, m_limit.rlim_max);
        setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_limit);
        sigaction(SIGXFSZ, &m_handler, nullptr);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_limit{};
    struct sigaction m_handler {};
};

TEST(MapImage, AFailedExportSaysWhyAndLeavesNoFile) {
    test::TempDir dir;
    test::RecordingPrompter prompter;
    TCHK chk(prompter, &Game().UnitsDat);
    // `why` empty: whatever the library says, as long as it says something.
    auto expectFailure = [&](const Status& status, const std::string& path, const std::string& why) {
        ASSERT_FALSE(status.ok());
        const std::string lead = "cannot write " + path + ": ";
        ASSERT_EQ(status.error().rfind(lead, 0), 0u) << status.error();
        const std::string reason = status.error().substr(lead.size());
        EXPECT_FALSE(reason.empty());
        if (!why.empty()) {
            EXPECT_EQ(reason, why);
        }
        EXPECT_FALSE(std::filesystem::exists(path));
        EXPECT_FALSE(std::filesystem::exists(path + ".part"));
    };
    // The library refuses a picture of no pixels (from inside the compressor); its message
    // comes back.
    const std::string empty = dir.file("empty.jpg");
    expectFailure(ExportMapImage(chk, Game().Tileset(4), Game(), empty), empty, "");
    chk.NewMap(2, 4, 64, 64, &Game().Tileset(4));
    const std::string nowhere = dir.file("no/such/dir/x.jpg");
    expectFailure(ExportMapImage(chk, Game().Tileset(4), Game(), nowhere), nowhere, std::strerror(ENOENT));
    // The disk fills up half way through the picture.
    const std::string full = dir.file("full.jpg");
    Status status;
    {
        FileSizeLimit limit(100000);
        status = ExportMapImage(chk, Game().Tileset(4), Game(), full);
    }
    expectFailure(status, full, std::strerror(EFBIG));
}

} // namespace
} // namespace orv
