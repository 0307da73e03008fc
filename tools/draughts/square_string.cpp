// square_string.cpp - converting positions to and from the square letters of a game request.
#include "draughts/square_string.h"

namespace draughts {

char side_letter(Side side) { return side == Side::white ? 'W' : 'Z'; }

std::string square_string(const Position &position) {
    std::string out(square_count, 'e');
    for (int s = 1; s <= square_count; ++s) {
        const Bits b = square_bit(s);
        const bool king = (position.kings & b) != 0;
        if (position.white() & b) out[static_cast<size_t>(s - 1)] = king ? 'W' : 'w';
        if (position.black() & b) out[static_cast<size_t>(s - 1)] = king ? 'Z' : 'z';
    }
    return out;
}

std::optional<Position> parse_square_string(char side, std::string_view squares, std::string &error) {
    if (side != 'W' && side != 'Z') {
        error = std::string("the side to move is W or Z, not '") + side + "'";
        return std::nullopt;
    }
    if (squares.size() != square_count) {
        error = "a position has 50 squares, not " + std::to_string(squares.size());
        return std::nullopt;
    }
    Position position;
    position.to_move = side == 'W' ? Side::white : Side::black;
    for (int s = 1; s <= square_count; ++s) {
        const char c = squares[static_cast<size_t>(s - 1)];
        const Bits b = square_bit(s);
        switch (c) {
        case 'e': break;
        case 'w': position.pieces[0] |= b; break;
        case 'W':
            position.pieces[0] |= b;
            position.kings |= b;
            break;
        case 'z': position.pieces[1] |= b; break;
        case 'Z':
            position.pieces[1] |= b;
            position.kings |= b;
            break;
        default:
            error = "square " + std::to_string(s) + " holds '" + std::string(1, c) + "', not one of e w W z Z";
            return std::nullopt;
        }
    }
    return position;
}

} // namespace draughts
