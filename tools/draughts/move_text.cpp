// move_text.cpp - notation that names one legal move, both ways.
#include "draughts/move_text.h"

#include <charconv>
#include <vector>

#include "draughts/capture_route.h"
#include "draughts/move_generator.h"

namespace draughts {

namespace {

std::string path_text(const Position &position, const Move &move) {
    std::string text = std::to_string(move.from);
    for (int square : capture_route(position, move)) text += "x" + std::to_string(square);
    return text;
}

// "28x19x10" -> {28, 19, 10}; empty when the text is not a move.
std::vector<int> squares_of(std::string_view text, bool &capture) {
    std::vector<int> squares;
    capture = text.find('x') != std::string_view::npos;
    while (!text.empty()) {
        int square = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), square);
        if (ec != std::errc() || square < 1 || square > square_count) return {};
        squares.push_back(square);
        text.remove_prefix(static_cast<size_t>(end - text.data()));
        if (text.empty()) break;
        if (text.front() != (capture ? 'x' : '-')) return {};
        text.remove_prefix(1);
    }
    return squares.size() >= 2 ? squares : std::vector<int>{};
}

} // namespace

std::string distinct_notation(const Position &position, const MoveList &moves, const Move &move) {
    if (move.captured == 0) return notation(move);
    for (const Move &m : moves)
        if (m.from == move.from && m.to == move.to && !(m == move)) return path_text(position, move);
    return notation(move);
}

std::optional<Move> resolve_notation(const Position &position, std::string_view text, std::string &why) {
    bool capture = false;
    const std::vector<int> squares = squares_of(text, capture);
    if (squares.empty()) {
        why = "is not a move";
        return std::nullopt;
    }
    const std::vector<int> through(squares.begin() + 1, squares.end() - 1);
    MoveList legal;
    generate_moves(position, legal);
    std::vector<Move> fits;
    for (const Move &m : legal) {
        if (m.from != squares.front() || m.to != squares.back() || (m.captured != 0) != capture) continue;
        if (!through.empty() && capture_route(position, m, through).empty()) continue;
        fits.push_back(m);
    }
    if (fits.size() == 1) return fits.front();
    if (fits.empty()) why = "is no legal move";
    else
        why = "is ambiguous: " + std::to_string(fits.size()) +
              " legal captures go between these squares; write the squares it lands on, e.g. " +
              path_text(position, fits[0]) + " or " + path_text(position, fits[1]);
    return std::nullopt;
}

} // namespace draughts
