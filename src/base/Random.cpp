#include "base/Random.h"

#include <random>

namespace orv {
namespace {

std::mt19937& Generator() {
    static std::mt19937 generator(std::random_device{}());
    return generator;
}

} // namespace

void SeedRandom(std::uint32_t seed) {
    Generator().seed(seed);
}

int RandomBelow(int n) {
    if (n <= 0) {
        return 0;
    }
    return std::uniform_int_distribution<int>(0, n - 1)(Generator());
}

} // namespace orv
