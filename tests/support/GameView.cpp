#include "support/GameView.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace orv::test {
namespace {

std::uint32_t Le(const std::vector<std::uint8_t>& b, std::size_t at, int width) {
    std::uint32_t v = 0;
    for (int i = 0; i < width; ++i) {
        if (at + static_cast<std::size_t>(i) < b.size()) {
            v |= std::uint32_t{b[at + static_cast<std::size_t>(i)]} << (8 * i);
        }
    }
    return v;
}

// Sections whose copies the game reads as the last one of at least this size, cut to it.
const std::map<std::string, std::size_t> kFixed = {
    {"VER ", 2},    {"DIM ", 4},    {"ERA ", 2},   {"OWNR", 12},   {"SIDE", 12},
    {"SPRP", 4},    {"VCOD", 1040}, {"COLR", 8},   {"PUNI", 5700}, {"UPGR", 1748},
    {"PTEC", 912},  {"UNIS", 4048}, {"UPGS", 598}, {"TECS", 216},  {"PUPx", 2318},
    {"PTEx", 1672}, {"UNIx", 4168}, {"UPGx", 794}, {"TECx", 396},  {"UPRP", 1280}};
// Sections whose copies are appended, in whole records of this size.
const std::map<std::string, std::size_t> kAppended = {
    {"UNIT", 36}, {"THG2", 10}, {"TRIG", 2400}, {"MBRF", 2400}};
// Sections only editors read.
const std::set<std::string> kEditorOnly = {"TYPE", "IVER", "IVE2", "IOWN", "ISOM",
                                           "TILE", "DD2 ", "WAV ", "SWNM", "UPUS"};

} // namespace

GameView ReadAsTheGame(const std::vector<std::uint8_t>& chk) {
    GameView view;
    std::vector<std::uint8_t> mtxm, str, strx, mask, mrgn, forc;
    bool hasStr = false, hasStrx = false, hasMask = false, hasMrgn = false, hasForc = false;
    int unknown = 0;
    std::set<std::int64_t> visited;
    const auto size = static_cast<std::int64_t>(chk.size());
    for (std::int64_t pos = 0; pos + 8 <= size;) {
        if (!visited.insert(pos).second) {
            break;
        }
        const std::string name(chk.begin() + pos, chk.begin() + pos + 4);
        const auto declared = static_cast<std::int32_t>(Le(chk, static_cast<std::size_t>(pos) + 4, 4));
        if (declared < 0) {
            pos += 8 + declared; // a jump back
            if (pos < 0) {
                break;
            }
            continue;
        }
        const std::int64_t start = pos + 8;
        const std::int64_t length = std::min<std::int64_t>(declared, size - start);
        const std::vector<std::uint8_t> data(chk.begin() + start, chk.begin() + start + length);
        pos = start + declared;
        auto stack = [&](std::vector<std::uint8_t>& into) {
            if (into.size() < data.size()) {
                into.resize(data.size());
            }
            std::copy(data.begin(), data.end(), into.begin());
        };
        if (auto fixed = kFixed.find(name); fixed != kFixed.end()) {
            if (data.size() >= fixed->second) {
                view[name].assign(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(fixed->second));
            }
        } else if (auto appended = kAppended.find(name); appended != kAppended.end()) {
            auto& records = view[name];
            records.insert(records.end(), data.begin(),
                           data.begin() + static_cast<std::ptrdiff_t>(data.size() / appended->second *
                                                                      appended->second));
        } else if (name == "MTXM") {
            stack(mtxm);
        } else if (name == "STR ") {
            stack(str);
            hasStr = true;
        } else if (name == "STRx") {
            stack(strx);
            hasStrx = true;
        } else if (name == "MASK") {
            mask = data;
            hasMask = true;
        } else if (name == "MRGN") {
            mrgn = data;
            hasMrgn = true;
        } else if (name == "FORC") {
            forc = data;
            hasForc = true;
        } else if (kEditorOnly.count(name) == 0) {
            view["unknown#" + std::to_string(unknown++) + " " + name] = data;
        }
    }
    // The remastered format versions are read as their 1.16 counterparts.
    if (view.count("VER ")) {
        const std::uint32_t ver = Le(view["VER "], 0, 2);
        if (ver == 206 || ver == 64) {
            view["VER "] = {static_cast<std::uint8_t>(ver - 1), 0};
        }
    }
    const std::size_t w = Le(view["DIM "], 0, 2), h = Le(view["DIM "], 2, 2);
    mtxm.resize(2 * w * h, 0);
    view["MTXM"] = mtxm;
    if (hasMask) {
        mask.resize(w * h, 0xFF);
        view["MASK"] = mask;
    }
    if (hasForc) {
        forc.resize(20, 0);
        view["FORC"] = forc;
    }
    if (hasMrgn) {
        mrgn.resize(255 * 20, 0); // the game keeps at most 255 locations
        view["MRGN"] = mrgn;
    }
    // The texts of every string number the game looks up.
    std::set<std::uint32_t> numbers;
    auto refer = [&](std::uint32_t n) {
        if (n != 0 && n < 0x10000) {
            numbers.insert(n);
        }
    };
    refer(Le(view["SPRP"], 0, 2));
    refer(Le(view["SPRP"], 2, 2));
    for (std::size_t f = 0; f < 4 && hasForc; ++f) {
        refer(Le(forc, 8 + 2 * f, 2));
    }
    for (std::size_t at = 0; at + 20 <= mrgn.size(); at += 20) {
        refer(Le(mrgn, at + 16, 2));
    }
    for (const char* settings : {"UNIS", "UNIx"}) {
        if (view.count(settings)) {
            for (std::size_t u = 0; u < 228; ++u) {
                refer(Le(view[settings], 3192 + 2 * u, 2));
            }
        }
    }
    for (const char* triggers : {"TRIG", "MBRF"}) {
        const auto& records = view[triggers];
        for (std::size_t t = 0; t + 2400 <= records.size(); t += 2400) {
            for (std::size_t a = 0; a < 64; ++a) {
                refer(Le(records, t + 320 + 32 * a + 4, 4));
                refer(Le(records, t + 320 + 32 * a + 8, 4));
            }
        }
    }
    const bool wide = !hasStr && hasStrx;
    const std::vector<std::uint8_t>& table = wide ? strx : str;
    const int width = wide ? 4 : 2;
    const std::size_t count = Le(table, 0, width);
    for (std::uint32_t n : numbers) {
        std::vector<std::uint8_t> text;
        const std::size_t entry = static_cast<std::size_t>(width) * n;
        if (n <= count && entry + static_cast<std::size_t>(width) <= table.size()) {
            for (std::size_t at = Le(table, entry, width); at < table.size() && table[at] != 0; ++at) {
                text.push_back(table[at]);
            }
        }
        view["STR#" + std::to_string(n)] = text;
    }
    return view;
}

std::vector<std::string> GameViewDifferences(const GameView& before, const GameView& after) {
    std::vector<std::string> out;
    std::set<std::string> keys;
    for (const auto& [key, value] : before)
        keys.insert(key);
    for (const auto& [key, value] : after)
        keys.insert(key);
    for (const std::string& key : keys) {
        const auto a = before.find(key), b = after.find(key);
        if (a == before.end()) {
            out.push_back(key + " added");
        } else if (b == after.end()) {
            out.push_back(key + " lost");
        } else if (a->second != b->second) {
            std::size_t at = 0;
            while (at < a->second.size() && at < b->second.size() && a->second[at] == b->second[at])
                ++at;
            out.push_back(key + " differs at byte " + std::to_string(at) + " (" +
                          std::to_string(a->second.size()) + " -> " + std::to_string(b->second.size()) +
                          " bytes)");
        }
    }
    return out;
}

} // namespace orv::test
