// board_command.cpp - `kvnlink board`: a position from FEN or from a game of a PDN file,
// drawn as text or written as an SVG diagram.
#include <cstdio>
#include <fstream>

#include "board_drawing.h"
#include "board_picture.h"
#include "draughts/fen.h"
#include "draughts/pdn_file.h"
#include "draughts/pdn_replay.h"
#include "draughts/square_string.h"
#include "pdn_file.h"
#include "subcommands.h"

namespace kvnlink {

namespace {

struct Shown {
    draughts::Position position;
    draughts::Move last{0, 0, 0}; // none before the first ply
};

int refuse(const std::string &why) {
    std::fprintf(stderr, "kvnlink board: %s\n", why.c_str());
    return exit_usage;
}

// The position after `ply` plies (all of them when -1) of game `number` of the file.
std::optional<Shown> from_pdn(const BoardOptions &o, std::string &why) {
    const auto text = read_whole_file(o.pdn, why);
    if (!text) return why = o.pdn + ": " + why, std::nullopt;
    const std::vector<draughts::PdnRecord> records = draughts::read_pdn_file(*text, why);
    if (!why.empty()) return why = o.pdn + ": " + why, std::nullopt;
    if (o.game > static_cast<int>(records.size()))
        return why = o.pdn + " holds " + std::to_string(records.size()) + " game(s), not " + std::to_string(o.game),
               std::nullopt;
    const draughts::PdnReplay replay = draughts::replay_pdn(records[static_cast<size_t>(o.game - 1)]);
    const auto &plies = replay.game.plies();
    const size_t ply = o.ply < 0 ? plies.size() : static_cast<size_t>(o.ply);
    if (ply > plies.size())
        return why = "game " + std::to_string(o.game) + " has " + std::to_string(plies.size()) +
                     " plies that can be "
                     "replayed, not " +
                     std::to_string(ply),
               std::nullopt;
    Shown shown{ply < plies.size() ? plies[ply].before : replay.game.position(), {0, 0, 0}};
    if (ply > 0) shown.last = plies[ply - 1].move;
    return shown;
}

void print_text(const draughts::Position &p) {
    const std::string squares = draughts::square_string(p);
    char cells[50];
    for (size_t i = 0; i < 50; ++i) cells[i] = squares[i];
    for (const std::string &line : draw_board(draughts::side_letter(p.to_move), cells)) std::puts(line.c_str());
    std::puts(draughts::to_fen(p).c_str());
}

} // namespace

int run_board(const BoardOptions &o) {
    std::string why;
    std::optional<Shown> shown;
    if (!o.fen.empty()) {
        const auto position = draughts::parse_fen(o.fen, why);
        if (!position) return refuse("bad FEN: " + why);
        shown = Shown{*position, {0, 0, 0}};
    } else {
        shown = from_pdn(o, why);
        if (!shown) return refuse(why);
    }
    if (o.svg.empty()) {
        print_text(shown->position);
        return exit_ok;
    }
    std::ofstream file(o.svg, std::ios::binary | std::ios::trunc);
    file << board_picture(shown->position, {o.numbers, o.black_below, shown->last});
    file.close();
    if (!file) return refuse(o.svg + " cannot be written");
    return exit_ok;
}

} // namespace kvnlink
