// splitmix64.h - a small fixed pseudo-random generator for the rules library.
//
// The standard library's engines are portable but its distributions are not,
// and a seed must give the same game with every compiler and standard library.
#pragma once

#include <cstdint>

namespace draughts {

class SplitMix64 {
public:
    explicit SplitMix64(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // A number below `n` (n > 0).  The modulo bias is far too small to matter here.
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }

private:
    std::uint64_t state_;
};

} // namespace draughts
