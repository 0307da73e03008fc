// seeded_random.cpp - ranges drawn without the bias of a plain modulo.
#include "match/seeded_random.h"

namespace match {

std::uint64_t SeededRandom::below(std::uint64_t n) {
    // Draws in the uneven tail above the last whole multiple of n are thrown away.
    const std::uint64_t tail = (0 - n) % n; // 2^64 mod n
    for (;;) {
        const std::uint64_t x = next();
        if (x >= tail) return x % n;
    }
}

} // namespace match
