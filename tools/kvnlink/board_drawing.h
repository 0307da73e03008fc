// board_drawing.h - a position drawn as text: the 10x10 board beside the numbering of its 50 dark squares.
#pragma once

#include <string>
#include <vector>

namespace kvnlink {

// `squares` holds squares 1..50 as the record does (z w Z W e); 13 lines.
std::vector<std::string> draw_board(char side_to_move, const char (&squares)[50]);

} // namespace kvnlink
