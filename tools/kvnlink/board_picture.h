// board_picture.h - a position drawn as an SVG diagram, for documents and web pages.
#pragma once

#include <string>

#include "draughts/position.h"

namespace kvnlink {

struct PictureOptions {
    bool numbers = false;         // each dark square's number in its corner
    bool black_below = false;     // turned round: square 50 at the top left, as Black sees the board
    draughts::Move last{0, 0, 0}; // marked when `last.from` is a square: where it started and stopped, what it took
};

// A self-contained SVG document (no fonts or files it needs from elsewhere).
// Every dark square is a <rect class="dark" data-square="N">, every piece a
// <g class="piece white man"> (white|black, man|king) with data-square.
std::string board_picture(const draughts::Position &position, const PictureOptions &options = {});

} // namespace kvnlink
