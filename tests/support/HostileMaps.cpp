#include "support/HostileMaps.h"

#include "archive/MpqCrypto.h"
#include "scenario/CCHKFile.h"
#include "support/MpqBuilder.h"
#include "support/StandinData.h"

#include <stdexcept>

namespace orv::test {
namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void SectionHeader(std::vector<std::uint8_t>& out, const char* tag, std::size_t size) {
    out.insert(out.end(), tag, tag + 4);
    Put32(out, static_cast<std::uint32_t>(size));
}

// Positions spread over a 64 x 64 map, in pixels.
std::uint32_t Spread(std::size_t i, std::uint32_t salt) {
    return static_cast<std::uint32_t>((i * 2654435761u + salt) % (64 * 32 - 64)) + 32;
}

} // namespace

std::vector<std::uint8_t> SmallScenario() {
    SilentPrompter silent;
    TGameData& data = StandinGameData();
    TCHK chk(silent, &data.UnitsDat);
    chk.NewMap(2, 4, 64, 64, &data.Tileset(4));
    chk.AddUnit(100, 100, 0, 0);
    chk.AddUnit(300, 200, 1, 37);
    auto bytes = chk.WriteToBytes();
    if (!bytes) {
        throw std::runtime_error(bytes.error());
    }
    return std::move(bytes).value();
}

std::vector<std::uint8_t> WithEmptySections(std::vector<std::uint8_t> scenario, std::size_t count) {
    scenario.reserve(scenario.size() + 8 * count);
    for (std::size_t i = 0; i < count; ++i) {
        SectionHeader(scenario, "ZZZZ", 0);
    }
    return scenario;
}

std::vector<std::uint8_t> WithUnits(std::vector<std::uint8_t> scenario, std::size_t count) {
    scenario.reserve(scenario.size() + 8 + 36 * count);
    SectionHeader(scenario, "UNIT", 36 * count);
    for (std::size_t i = 0; i < count; ++i) {
        Put32(scenario, static_cast<std::uint32_t>(i + 1)); // serial
        Put16(scenario, Spread(i, 7));
        Put16(scenario, Spread(i, 1013));
        Put16(scenario, static_cast<std::uint32_t>(i % 106)); // unit type
        Put16(scenario, 0);                                   // links
        Put16(scenario, 0);                                   // valid state flags
        Put16(scenario, 0x1F);                                // valid properties
        scenario.push_back(static_cast<std::uint8_t>(i % 8)); // owner
        scenario.push_back(100);
        scenario.push_back(100);
        scenario.push_back(100);
        Put32(scenario, 0); // resources
        Put16(scenario, 0); // hangar
        Put16(scenario, 0); // state flags
        Put32(scenario, 0);
        Put32(scenario, 0);
    }
    return scenario;
}

std::vector<std::uint8_t> WithDoodads(std::vector<std::uint8_t> scenario, std::size_t count) {
    scenario.reserve(scenario.size() + 8 + 8 * count);
    SectionHeader(scenario, "DD2 ", 8 * count);
    for (std::size_t i = 0; i < count; ++i) {
        Put16(scenario, static_cast<std::uint32_t>(i % 400)); // doodad number
        Put16(scenario, Spread(i, 31));
        Put16(scenario, Spread(i, 977));
        scenario.push_back(0);
        scenario.push_back(0);
    }
    return scenario;
}

std::vector<std::uint8_t> WithSprites(std::vector<std::uint8_t> scenario, std::size_t count) {
    scenario.reserve(scenario.size() + 8 + 10 * count);
    SectionHeader(scenario, "THG2", 10 * count);
    for (std::size_t i = 0; i < count; ++i) {
        Put16(scenario, static_cast<std::uint32_t>(i % 500));
        Put16(scenario, Spread(i, 5));
        Put16(scenario, Spread(i, 555));
        scenario.push_back(static_cast<std::uint8_t>(i % 8));
        scenario.push_back(0);
        Put16(scenario, i % 2 ? 0x1000 : 0); // sprite or unit number
    }
    return scenario;
}

std::vector<std::uint8_t> ArchiveOf(const std::vector<std::uint8_t>& scenario,
                                    const std::vector<std::string>& listed, std::size_t storedEvery,
                                    std::uint32_t hashSlots) {
    MpqBuilder builder;
    builder.hashSlots = hashSlots;
    builder.AddFile("staredit\\scenario.chk", scenario,
                    mpq::kFlagExists | mpq::kFlagCompress | mpq::kFlagEncrypted | mpq::kFlagFixKey);
    std::string listfile = "staredit\\scenario.chk\r\n";
    for (std::size_t i = 0; i < listed.size(); ++i) {
        listfile += listed[i] + "\r\n";
        if (storedEvery != 0 && i % storedEvery == 0) {
            const std::string& name = listed[i];
            builder.AddFile(name, std::vector<std::uint8_t>(name.begin(), name.end()), mpq::kFlagExists);
        }
    }
    builder.AddFile("(listfile)", std::vector<std::uint8_t>(listfile.begin(), listfile.end()),
                    mpq::kFlagExists | mpq::kFlagCompress);
    return builder.Build();
}

std::vector<std::uint8_t> ManyHeaders(std::size_t size, const std::vector<std::uint8_t>& first) {
    std::vector<std::uint8_t> out(first);
    out.resize((out.size() + 511) / 512 * 512, 0);
    const std::size_t start = out.size();
    out.resize(std::max(size, start), 0);
    for (std::size_t pos = start; pos + 32 <= out.size(); pos += 512) {
        std::vector<std::uint8_t> header;
        Put32(header, 0x1A51504D);
        Put32(header, 32);
        Put32(header, static_cast<std::uint32_t>(out.size() - pos));
        Put16(header, 0);
        Put16(header, 3);
        Put32(header,
              static_cast<std::uint32_t>(-static_cast<std::int64_t>(pos))); // tables from the file's start
        Put32(header, static_cast<std::uint32_t>(-static_cast<std::int64_t>(pos)));
        Put32(header, 0x0FFFFFFF);
        Put32(header, 0x0FFFFFFF);
        std::copy(header.begin(), header.end(), out.begin() + static_cast<std::ptrdiff_t>(pos));
    }
    return out;
}

std::vector<std::string> ManyNames(std::size_t count) {
    std::vector<std::string> names;
    names.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        names.push_back("staredit\\wav\\sound" + std::to_string(i) + ".wav");
    }
    return names;
}

} // namespace orv::test
