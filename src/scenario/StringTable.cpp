#include "scenario/StringTable.h"

#include <algorithm>
#include <map>
#include <string_view>

namespace orv {
namespace {

const std::string kEmpty;

} // namespace

int StringTable::AddString(const std::string& text) {
    // A table read with fewer entries grows to the standard count, as it is written.
    if (Entries.size() < kStandardCount) {
        const auto firstFree = std::find_if(Entries.begin(), Entries.end(), [](const std::string& e) { return e.empty(); });
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
    const std::uint64_t declared = extended ? ReadLEOr<std::uint32_t>(section, 0, 0) : ReadLEOr<std::uint16_t>(section, 0, 0);
    const std::uint64_t present = section.size() >= width ? (section.size() - width) / width : 0;
    const auto count = static_cast<std::size_t>(std::min(declared, present));
    table.CountOverrun = declared > present;
    table.Entries.resize(count);
    // Where the text starting at each byte ends, found in one pass: many entries may point
    // into the same long run of bytes.
    std::vector<std::uint32_t> nextNul(section.size() + 1);
    nextNul[section.size()] = static_cast<std::uint32_t>(section.size());
    for (std::size_t at = section.size(); at-- > 0;) {
        nextNul[at] = section[at] == 0 ? static_cast<std::uint32_t>(at) : nextNul[at + 1];
    }
    // Hostile tables can make thousands of entries share one huge text; past this much text
    // in all, further entries read as empty rather than exhausting memory.
    constexpr std::size_t kTextBudget = 64u << 20;
    std::size_t total = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t offset = extended ? ReadLEOr<std::uint32_t>(section, width + width * i, 0)
                                              : ReadLEOr<std::uint16_t>(section, width + width * i, 0);
        if (offset >= section.size()) {
            continue;
        }
        const std::size_t length = nextNul[offset] - offset;
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
        return MakeError("the scenario has " + std::to_string(count) + " strings; a string table holds at most 65535");
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
