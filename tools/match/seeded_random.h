// seeded_random.h - random numbers that are the same on every platform for the same seed.
//
// The standard engines are portable but the standard distributions are not (each library
// maps bits to a range its own way), so indices are drawn here from the raw bits.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "draughts/splitmix64.h"

namespace match {

// The rules library's generator, with ranges drawn without bias.
class SeededRandom {
public:
    explicit SeededRandom(std::uint64_t seed) : bits_(seed) {}

    std::uint64_t next() { return bits_.next(); }
    // An index in [0, n), every one equally likely; n must be at least 1.
    std::uint64_t below(std::uint64_t n);

private:
    draughts::SplitMix64 bits_;
};

// Fisher-Yates: the same order for the same seed everywhere.
template <typename T>
void shuffle(std::vector<T> &items, std::uint64_t seed) {
    SeededRandom random(seed);
    for (std::size_t i = items.size(); i > 1; --i) std::swap(items[i - 1], items[random.below(i)]);
}

} // namespace match
