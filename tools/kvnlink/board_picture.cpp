// board_picture.cpp - the 10x10 board in SVG: light and dark squares, men as discs, kings as
// discs with a crown, and the last move's squares tinted.
#include "board_picture.h"

#include <cstdio>

#include "draughts/board.h"

namespace kvnlink {

namespace {

constexpr int cell = 40;  // one square, in SVG units
constexpr int border = 8; // the frame round the board
constexpr int side = 10 * cell + 2 * border;

struct Place {
    int x, y; // the top left corner of the square
};

// Square 1 is the second square of the top row; rows alternate which column they start in.
Place place_of(int square, bool black_below) {
    const int row = (square - 1) / 5;
    int column = 2 * ((square - 1) % 5) + (row % 2 == 0 ? 1 : 0);
    int shown_row = row;
    if (black_below) {
        shown_row = 9 - row;
        column = 9 - column;
    }
    return {border + column * cell, border + shown_row * cell};
}

bool holds(draughts::Bits set, int square) { return (set & draughts::square_bit(square)) != 0; }

std::string format(const char *pattern, int a, int b = 0, int c = 0, int d = 0) {
    char text[256];
    std::snprintf(text, sizeof text, pattern, a, b, c, d);
    return text;
}

std::string squares(const draughts::Move &last, bool black_below) {
    std::string out = format("<rect width=\"%d\" height=\"%d\" fill=\"#6b4a2b\"/>\n", side, side);
    out += format("<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"#f0d9b5\"/>\n", border, border, 10 * cell,
                  10 * cell);
    for (int s = 1; s <= draughts::square_count; ++s) {
        const Place p = place_of(s, black_below);
        const bool marked = last.from != 0 && (s == last.from || s == last.to);
        out +=
            format("<rect class=\"dark\" data-square=\"%d\" x=\"%d\" y=\"%d\" width=\"40\" height=\"40\"", s, p.x, p.y);
        out += marked ? " fill=\"#a8883a\"/>\n" : " fill=\"#8b6b47\"/>\n";
    }
    return out;
}

// A crown: three points on a band, drawn in the colour that stands out on the piece.
std::string crown(int cx, int cy, const char *colour) {
    return format("<path d=\"M%d %d l0 -10 l5 5 l4 -8 l4 8 l5 -5 l0 10 z\"", cx - 9, cy + 5) + " fill=\"" + colour +
           "\"/>";
}

std::string pieces(const draughts::Position &position, const PictureOptions &o) {
    std::string out;
    for (int s = 1; s <= draughts::square_count; ++s) {
        const bool white = holds(position.white(), s), black = holds(position.black(), s);
        if (!white && !black) continue;
        const bool king = holds(position.kings, s);
        const Place p = place_of(s, o.black_below);
        const int cx = p.x + cell / 2, cy = p.y + cell / 2;
        out += std::string("<g class=\"piece ") + (white ? "white" : "black") + (king ? " king" : " man") + "\"" +
               format(" data-square=\"%d\">", s);
        out += format("<circle cx=\"%d\" cy=\"%d\" r=\"16\"", cx, cy) +
               (white ? " fill=\"#fbf7ee\" stroke=\"#3a3a3a\"" : " fill=\"#262626\" stroke=\"#0a0a0a\"") +
               " stroke-width=\"2\"/>";
        if (king) out += crown(cx, cy, white ? "#b8860b" : "#e6c35c");
        out += "</g>\n";
    }
    if (o.last.from != 0)
        for (int s = 1; s <= draughts::square_count; ++s)
            if (holds(o.last.captured, s)) {
                const Place p = place_of(s, o.black_below);
                out += format("<circle class=\"taken\" cx=\"%d\" cy=\"%d\" r=\"6\" fill=\"#c0392b\"/>\n",
                              p.x + cell / 2, p.y + cell / 2);
            }
    return out;
}

std::string numbers(bool black_below) {
    std::string out = "<g font-family=\"sans-serif\" font-size=\"10\" fill=\"#f0d9b5\">\n";
    for (int s = 1; s <= draughts::square_count; ++s) {
        const Place p = place_of(s, black_below);
        out += format("<text x=\"%d\" y=\"%d\">%d</text>\n", p.x + 2, p.y + 10, s);
    }
    return out + "</g>\n";
}

} // namespace

std::string board_picture(const draughts::Position &position, const PictureOptions &options) {
    std::string svg =
        format("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\">\n", side,
               side, side, side);
    svg += squares(options.last, options.black_below);
    if (options.numbers) svg += numbers(options.black_below);
    svg += pieces(position, options);
    return svg + "</svg>\n";
}

} // namespace kvnlink
