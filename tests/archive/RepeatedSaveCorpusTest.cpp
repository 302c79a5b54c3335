// Saving a real map again and again: the archive does not grow from save to save, the
// scenario reads back as saved, and every other file of the map stays where lookups find it,
// with the same content, named or not.

#include "archive/MapArchiveReader.h"
#include "archive/MpqCrypto.h"
#include "archive/Stormunit.h"
#include "support/MpqInspect.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>

namespace orv {
namespace {

// Maps the archive library opens only for reading (their tables break its rules): saving
// into them is refused with a message and leaves them as they were.
const char* const kRefusedByTheLibrary[] = {
    "desert_strike_angel_7.4.3a.scx",
    "negative_offsets.scx",
    "ococ_bound_2_p.scx",
    "protected_2.scx",
    "smallest.scm",
    "smallest2.scm",
    "sniper_seed_va.scx",
};

// Files every save writes anew.
bool Rewritten(const std::string& name) {
    return name == TMyMPQ::kScenarioName || name == "(listfile)" || name == "(attributes)";
}

struct SlotContent {
    std::uint32_t nameA = 0, nameB = 0;
    std::uint16_t locale = 0;
    std::string name;
    bool decoded = false;              // content is the file itself, else its stored bytes decrypted
    std::vector<std::uint8_t> content; // empty when nothing could be compared
};

// Every used hash slot of the archive, with what it holds.
std::map<std::uint32_t, SlotContent> Slots(const std::string& archive) {
    std::map<std::uint32_t, SlotContent> slots;
    auto reader = MapArchiveReader::Open(archive);
    if (!reader) {
        ADD_FAILURE() << reader.error();
        return slots;
    }
    auto raw = test::ReadRawArchive(test::ReadBytes(archive),
                                    static_cast<std::uint64_t>(reader.value().HeaderOffset()));
    if (!raw) {
        ADD_FAILURE() << "tables not readable";
        return slots;
    }
    const auto entries = reader.value().ListFiles();
    std::map<std::string, int> uses;
    for (const auto& e : entries) {
        ++uses[e.name];
    }
    for (const auto& e : entries) {
        // Entries of protectors' junk blocks (data outside the file) hold no file.
        const auto& block = raw->blocks.at(e.blockIndex);
        const std::int64_t at =
            static_cast<std::int64_t>(raw->headerOffset) + static_cast<std::int32_t>(block.offset);
        if (!(block.flags & mpq::kFlagExists) || at < 0 ||
            static_cast<std::uint64_t>(at) + block.packedSize > raw->bytes.size()) {
            continue;
        }
        const auto& hash = raw->hashes.at(e.hashSlot);
        SlotContent slot{hash.nameA, hash.nameB, hash.locale, e.name, false, {}};
        if (!Rewritten(e.name)) {
            if (!e.name.empty() && e.readable && uses[e.name] == 1) {
                slot.decoded = true;
                slot.content = reader.value().ReadFile(e.name).value();
            } else if ((e.flags & mpq::kFlagEncrypted) && (e.flags & mpq::kFlagFixKey)) {
                slot.content = raw->Decrypted(e.blockIndex).value_or(std::vector<std::uint8_t>{});
            } else {
                slot.content = raw->Stored(e.blockIndex);
            }
        }
        slots[e.hashSlot] = std::move(slot);
    }
    return slots;
}

TEST(RepeatedSaves, EveryWritableCorpusMapStaysTheSameSizeAndKeepsEveryFile) {
    ORV_REQUIRE_CORPUS();
    test::TempDir dir;
    TMyMPQ mpq;
    int saved = 0;
    for (const auto& path : test::CorpusArchives()) {
        const std::string name = path.filename().string();
        auto original = MapArchiveReader::Open(path);
        auto scenario = original ? original.value().ReadFile(TMyMPQ::kScenarioName)
                                 : Result<std::vector<std::uint8_t>>(MakeError("not opened"));
        if (!scenario) {
            continue; // not readable (cut short): nothing to save back
        }
        SCOPED_TRACE(name);
        const std::string copy = dir.file(name);
        const std::string chk = dir.file(name + ".chk");
        std::filesystem::copy_file(path, copy);
        test::WriteBytes(chk, scenario.value());
        const bool refused = std::find(std::begin(kRefusedByTheLibrary), std::end(kRefusedByTheLibrary),
                                       name) != std::end(kRefusedByTheLibrary);
        if (refused) {
            const Status status = mpq.SaveScenarioToArchive(copy, chk);
            ASSERT_FALSE(status.ok()) << "the library now writes this map: take it off the refused list";
            EXPECT_NE(status.error().find(name), std::string::npos) << status.error();
            EXPECT_TRUE(test::ReadBytes(copy) == test::ReadBytes(path));
            continue;
        }

        const auto before = Slots(copy);
        std::uintmax_t firstSize = 0;
        for (int save = 1; save <= 5; ++save) {
            SCOPED_TRACE("save " + std::to_string(save));
            const Status status = mpq.SaveScenarioToArchive(copy, chk);
            ASSERT_TRUE(status.ok()) << status.error();
            const auto size = std::filesystem::file_size(copy);
            if (save == 1) {
                firstSize = size;
            }
            EXPECT_LE(size, firstSize + 4096);

            auto reader = MapArchiveReader::Open(copy);
            ASSERT_TRUE(reader.ok()) << reader.error();
            auto back = reader.value().ReadFile(TMyMPQ::kScenarioName);
            ASSERT_TRUE(back.ok()) << back.error();
            EXPECT_TRUE(back.value() == scenario.value()) << "the scenario does not read back as saved";

            const auto after = Slots(copy);
            for (const auto& [slot, old] : before) {
                if (Rewritten(old.name)) {
                    continue;
                }
                const auto now = after.find(slot);
                ASSERT_NE(now, after.end()) << "hash slot " << slot << " (" << old.name << ") lost its file";
                EXPECT_EQ(now->second.nameA, old.nameA);
                EXPECT_EQ(now->second.nameB, old.nameB);
                EXPECT_EQ(now->second.locale, old.locale);
                EXPECT_TRUE(now->second.content == old.content)
                    << "hash slot " << slot << " (" << (old.name.empty() ? "unnamed" : old.name)
                    << ") changed";
            }
        }
        ++saved;
    }
    EXPECT_GE(saved, 30);
}

} // namespace
} // namespace orv
