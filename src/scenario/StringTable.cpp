#include "scenario/StringTable.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string_view>

namespace orv {
namespace {

const std::string kEmpty;

} // namespace

int StringTable::AddString(const std::string& text) {
    // A table read with fewer entries grows to the standard count, as it is written.
    if (Entries.size() < kStandardCount) {
        const auto firstFree =
            std::find_if(Entries.begin(), Entries.end(), [](const std::string& e) { return e.empty(); });
        if (firstFree == Entries.end()) {
            Entries.resize(kStandardCount);
        }
    }
    const std::size_t limit = std::min(Entries.size(), kStandardCount);
    for (std::size_t i = 0; i < limit; ++i) {
        if (Entries[i].empty()) {
            Entries[i] = text;
            return static_cast<int>(i);
        }
    }
    return -1;
}

const std::string& StringTable::Text(std::size_t number) const {
    return number >= 1 && number <= Entries.size() ? Entries[number - 1] : kEmpty;
}

StringTable StringTable::Read(Bytes section, bool extended) {
    StringTable table;
    const std::size_t width = extended ? 4 : 2;
    const std::uint64_t declared =
        extended ? ReadLEOr<std::uint32_t>(section, 0, 0) : ReadLEOr<std::uint16_t>(section, 0, 0);
    const std::uint64_t present = section.size() >= width ? (section.size() - width) / width : 0;
    // An extended table may declare millions of entries; no table the editor can write holds
    // more than 65535, so the rest read as absent, like entries past the section's end.
    constexpr std::uint64_t kMaxEntries = 65536;
    const auto count = static_cast<std::size_t>(std::min({declared, present, kMaxEntries}));
    table.CountOverrun = declared > count;
    table.Entries.resize(count);
    auto offsetOf = [&](std::size_t i) -> std::uint64_t {
        return extended ? ReadLEOr<std::uint32_t>(section, width + width * i, 0)
                        : ReadLEOr<std::uint16_t>(section, width + width * i, 0);
    };
    // Where the text at each distinct offset ends, found by scanning every byte at most once
    // (from the last offset back, each scan stops at the next offset): many entries may point
    // into the same long run of bytes.
    std::vector<std::uint32_t> starts;
    starts.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (const std::uint64_t offset = offsetOf(i); offset < section.size()) {
            starts.push_back(static_cast<std::uint32_t>(offset));
        }
    }
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    std::vector<std::size_t> ends(starts.size());
    for (std::size_t j = starts.size(); j-- > 0;) {
        const std::size_t limit = j + 1 < starts.size() ? starts[j + 1] : section.size();
        const void* nul = std::memchr(section.data() + starts[j], 0, limit - starts[j]);
        ends[j] = nul ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - section.data())
                      : (j + 1 < starts.size() ? ends[j + 1] : section.size());
    }
    // Hostile tables can make thousands of entries share one huge text; past this much text
    // in all, further entries read as empty rather than exhausting memory.
    constexpr std::size_t kTextBudget = 64u << 20;
    std::size_t total = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t offset = offsetOf(i);
        if (offset >= section.size()) {
            continue;
        }
        const auto at = std::lower_bound(starts.begin(), starts.end(), static_cast<std::uint32_t>(offset));
        const std::size_t length = ends[static_cast<std::size_t>(at - starts.begin())] - offset;
        if (total + length > kTextBudget) {
            continue;
        }
        total += length;
        table.Entries[i].assign(reinterpret_cast<const char*>(section.data() + offset), length);
    }
    return table;
}

void StringTable::KeepOriginal(std::vector<std::uint8_t> section) {
    m_original = std::move(section);
    m_originalEntries = Entries;
}

Result<std::vector<std::uint8_t>> StringTable::Write() const {
    if (!m_original.empty() && Entries == m_originalEntries) {
        return m_original;
    }
    const std::size_t count = std::max(Entries.size(), kStandardCount);
    const std::size_t base = 2 + 2 * count; // every empty entry points at the NUL here
    std::vector<std::size_t> offsets(count, base);
    std::vector<bool> stored(count, false);
    std::map<std::string_view, std::size_t> placed;
    std::size_t size = base; // the NUL every empty entry points at
    for (std::size_t i = 0; i < Entries.size(); ++i) {
        if (Entries[i].empty()) {
            continue;
        }
        const auto [it, fresh] = placed.emplace(Entries[i], size + 1);
        offsets[i] = it->second;
        if (fresh) {
            stored[i] = true;
            size += Entries[i].size() + 1;
        }
    }
    if (count > 0xFFFF) {
        return MakeError("the scenario has " + std::to_string(count) +
                         " strings; a string table holds at most 65535");
    }
    std::size_t last = base;
    for (std::size_t o : offsets) {
        last = std::max(last, o);
    }
    if (last > 0xFFFF) {
        return MakeError("the scenario's strings no longer fit the string table: " + std::to_string(size) +
                         " bytes, and the last text must start within the first 65535");
    }
    std::vector<std::uint8_t> out;
    out.reserve(size);
    auto put16 = [&](std::size_t v) {
        out.push_back(static_cast<std::uint8_t>(v));
        out.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    put16(count);
    for (std::size_t o : offsets) {
        put16(o);
    }
    for (std::size_t i = 0; i < Entries.size(); ++i) {
        if (stored[i]) {
            out.push_back(0);
            out.insert(out.end(), Entries[i].begin(), Entries[i].end());
        }
    }
    // Every text ends with a NUL, the last one too: the game reads a text up to its NUL.
    out.push_back(0);
    return out;
}

} // namespace orv
