#pragma once

// What the game reads from a scenario file, written independently of the editor's loader so
// that tests can compare a map before and after a save on the game's terms: each section the
// game uses, resolved the way the game resolves several copies (the last wins, records are
// appended, MTXM and STR stack), the texts of every string number the game looks up, and the
// sections nobody knows, in order.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace orv::test {

// Keys are section names ("OWNR", "MTXM", "UNIT", ...), "STR#n" for the text of string
// number n, and "unknown#i NAME" for the i-th unknown section.
using GameView = std::map<std::string, std::vector<std::uint8_t>>;

GameView ReadAsTheGame(const std::vector<std::uint8_t>& scenario);

// The keys whose values differ between the two views, each with a short description; empty
// when the game reads the same map from both.
std::vector<std::string> GameViewDifferences(const GameView& before, const GameView& after);

} // namespace orv::test
