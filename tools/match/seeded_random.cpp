// seeded_random.cpp - SplitMix64, and ranges drawn without the bias of a plain modulo.
#include "match/seeded_random.h"

namespace match {

std::uint64_t SeededRandom::next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15u);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
    return z ^ (z >> 31);
}

std::uint64_t SeededRandom::below(std::uint64_t n) {
    // Draws in the uneven tail above the last whole multiple of n are thrown away.
    const std::uint64_t tail = (0 - n) % n; // 2^64 mod n
    for (;;) {
        const std::uint64_t x = next();
        if (x >= tail) return x % n;
    }
}

} // namespace match
