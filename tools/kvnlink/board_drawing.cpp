// board_drawing.cpp - the board as 13 lines of text.
#include "board_drawing.h"

#include <cstdio>

#include "message_text.h"

namespace kvnlink {

namespace {

// One row of the board and, beside it, the numbers of its dark squares.
std::string draw_row(int row, const char (&squares)[50]) {
    std::string board = "|";
    std::string numbers;
    for (int column = 0; column < 10; ++column) {
        // Square 1 is the second cell of the top row: dark cells alternate by row.
        if ((row + column) % 2 == 0) {
            board += "  ";
            numbers += "  ";
            continue;
        }
        const int square = row * 5 + column / 2; // 0-based
        const char piece = squares[square];
        const auto byte = static_cast<unsigned char>(piece);
        board += ' ';
        board += piece == 'e' ? '.' : (byte > 0x20 && byte < 0x7F) ? piece : '?';
        char number[8];
        std::snprintf(number, sizeof number, "%2d", square + 1);
        numbers += number;
    }
    while (!numbers.empty() && numbers.back() == ' ') numbers.pop_back();
    return board + " |  " + numbers;
}

} // namespace

std::vector<std::string> draw_board(char side_to_move, const char (&squares)[50]) {
    const std::string edge = "+" + std::string(21, '-') + "+";
    std::vector<std::string> lines{edge};
    for (int row = 0; row < 10; ++row) lines.push_back(draw_row(row, squares));
    lines.push_back(edge);
    lines.push_back("w/W white man/king, z/Z black man/king, . empty; " + side_name(side_to_move) + " to move");
    return lines;
}

} // namespace kvnlink
