// random_openings.cpp - random move sequences, kept only when they leave the material even.
#include "match/random_openings.h"

#include "draughts/fen.h"
#include "draughts/move_generator.h"
#include "match/seeded_random.h"

namespace match {

namespace {

using draughts::Position;

bool balanced(const Position &position) {
    const draughts::Bits white = position.white(), black = position.black();
    return draughts::count(white & ~position.kings) == draughts::count(black & ~position.kings) &&
           draughts::count(white & position.kings) == draughts::count(black & position.kings);
}

// One draw of `plies` moves; nothing when a side runs out of moves or the material ends uneven.
std::optional<std::vector<draughts::Move>> draw_moves(SeededRandom &random, int plies) {
    Position position = Position::initial();
    std::vector<draughts::Move> moves;
    draughts::MoveList legal;
    for (int ply = 0; ply < plies; ++ply) {
        draughts::generate_moves(position, legal);
        if (legal.empty()) return std::nullopt;
        const auto pick = static_cast<int>(random.below(static_cast<std::uint64_t>(legal.size())));
        moves.push_back(legal[pick]);
        position = draughts::play(position, legal[pick]);
    }
    if (!balanced(position) || draughts::count_moves(position) == 0) return std::nullopt;
    return moves;
}

} // namespace

std::optional<std::vector<Opening>> random_openings(int count, int plies, std::uint64_t seed, std::string &error) {
    SeededRandom random(seed);
    const std::string start = draughts::to_fen(Position::initial());
    std::vector<Opening> openings;
    for (int i = 1; i <= count; ++i) {
        std::optional<std::vector<draughts::Move>> moves;
        for (int tries = 0; !moves && tries < random_opening_tries; ++tries) moves = draw_moves(random, plies);
        if (!moves) {
            error = "no balanced opening of " + std::to_string(plies) + " plies in " +
                    std::to_string(random_opening_tries) + " tries";
            return std::nullopt;
        }
        const std::string origin = "random opening " + std::to_string(i) + " of seed " + std::to_string(seed);
        openings.push_back(Opening{start, std::move(*moves), origin});
    }
    return openings;
}

} // namespace match
