#include "support/OurMaps.h"

#include "app/MapSave.h"
#include "base/Random.h"
#include "support/RecordingPrompter.h"
#include "support/StandinData.h"

#include <gtest/gtest.h>

namespace orv::test {

void WriteOurMap(const std::string& path, int side) {
    TGameData& data = StandinGameData();
    RecordingPrompter prompter;
    TCHK chk(prompter, &data.UnitsDat);
    SeedRandom(5);
    chk.NewMap(2, 4, side, side, &data.Tileset(4));
    chk.AddUnit(100, 100, 0, 0);
    chk.AddUnit(300, 200, 1, 37);
    auto saved = SaveMap(data.Archives, chk, std::string(), path);
    ASSERT_TRUE(saved) << saved.error();
}

} // namespace orv::test
