// perft_bench.cpp - times the move generator: perft from the starting position at depths 9 and 10.
//
// Usage: perft_bench [REPEATS]   (default 3; the best and the median run are shown)
// Exits 1 if a count differs from the known one, so a fast but wrong generator cannot pass.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "draughts/perft.h"

namespace {

struct Target {
    int depth;
    std::uint64_t known;
    double limit_s; // the time the move generator must stay under
};

constexpr Target targets[] = {{9, 41022423, 3.0}, {10, 258895763, 15.0}};

} // namespace

int main(int argc, char **argv) {
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const auto start = draughts::Position::initial();
    bool all_right = true;
    std::printf("%-6s %12s %10s %10s %14s %s\n", "depth", "nodes", "best s", "median s", "M nodes/s", "target");
    for (const Target &t : targets) {
        std::vector<double> times;
        std::uint64_t nodes = 0;
        for (int i = 0; i < repeats; ++i) {
            const auto began = std::chrono::steady_clock::now();
            nodes = draughts::perft(start, t.depth);
            times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
            if (nodes != t.known) all_right = false;
        }
        std::sort(times.begin(), times.end());
        const double best = times.front();
        const double median = times[times.size() / 2];
        std::printf("%-6d %12llu %10.3f %10.3f %14.1f under %.0f s: %s%s\n", t.depth,
                    static_cast<unsigned long long>(nodes), best, median, static_cast<double>(nodes) / best / 1e6,
                    t.limit_s, median < t.limit_s ? "met" : "MISSED", nodes == t.known ? "" : "  (WRONG COUNT)");
    }
    return all_right ? 0 : 1;
}
