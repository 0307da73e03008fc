// perft_command.cpp - `kvnlink perft`: counts the positions DEPTH plies ahead, to check a move generator against.
#include <chrono>
#include <cstdio>

#include "draughts/fen.h"
#include "draughts/perft.h"
#include "subcommands.h"

namespace kvnlink {

int run_perft(const PerftOptions &options) {
    draughts::Position start = draughts::Position::initial();
    if (!options.fen.empty()) {
        std::string error;
        const auto parsed = draughts::parse_fen(options.fen, error);
        if (!parsed) {
            std::fprintf(stderr, "kvnlink perft: bad --fen: %s\n", error.c_str());
            return exit_usage;
        }
        start = *parsed;
    }
    std::printf("fen %s\n", draughts::to_fen(start).c_str());
    std::fflush(stdout);

    const auto began = std::chrono::steady_clock::now();
    std::uint64_t total = 0;
    if (options.divide) {
        const auto entries = draughts::perft_divide(start, options.depth);
        for (const auto &e : entries) {
            // The full path where two captures share their from and to squares, so that no two lines read alike.
            const std::string name = e.text.empty() ? draughts::notation(e.move) : e.text;
            std::printf("%-8s %llu\n", name.c_str(), static_cast<unsigned long long>(e.count));
            total += e.count;
        }
        std::printf("moves %zu\n", entries.size());
        if (options.depth == 0) total = 1;
    } else {
        total = draughts::perft(start, options.depth);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    // Very short runs give no meaningful rate.
    if (seconds >= 1e-4)
        std::printf("time %.3f s, %.1f million nodes/s\n", seconds, static_cast<double>(total) / seconds / 1e6);
    else std::printf("time %.3f s\n", seconds);
    std::printf("perft %d = %llu\n", options.depth, static_cast<unsigned long long>(total));
    return exit_ok;
}

} // namespace kvnlink
