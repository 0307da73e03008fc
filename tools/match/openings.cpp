// openings.cpp - reading FEN openings line by line, and playing an opening's moves.
#include "match/openings.h"

#include <fstream>
#include <sstream>

#include "draughts/fen.h"
#include "draughts/move_generator.h"

namespace match {

namespace {

std::string_view trimmed(std::string_view line) {
    const auto first = line.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

// One FEN line as an opening, or the reason it is not one.
std::optional<Opening> opening_of_line(std::string_view line, std::string origin, std::string &error) {
    const auto position = draughts::parse_fen(line, error);
    if (!position) return std::nullopt;
    if (draughts::count_moves(*position) == 0) {
        error = "the side to move has no legal move: the game would be over before it starts";
        return std::nullopt;
    }
    return Opening{draughts::to_fen(*position), {}, std::move(origin)};
}

} // namespace

std::optional<draughts::Position> opening_position(const Opening &opening, std::string &error) {
    auto position = draughts::parse_fen(opening.start_fen, error);
    if (!position) return std::nullopt;
    draughts::MoveList legal;
    for (const draughts::Move &move : opening.moves) {
        draughts::generate_moves(*position, legal);
        if (!legal.contains(move)) {
            error = "the opening's move " + draughts::notation(move) + " is not legal";
            return std::nullopt;
        }
        *position = draughts::play(*position, move);
    }
    return position;
}

std::optional<std::vector<Opening>> parse_openings(std::string_view text, std::string_view name, std::string &error) {
    std::vector<Opening> openings;
    int line_number = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        ++line_number;
        if (line.empty() || line.front() == '#') continue;
        const std::string origin = std::string(name) + ":" + std::to_string(line_number);
        auto opening = opening_of_line(line, origin, error);
        if (!opening) {
            error = origin + ": " + error;
            return std::nullopt;
        }
        openings.push_back(std::move(*opening));
    }
    if (openings.empty()) {
        error = std::string(name) + ": holds no opening";
        return std::nullopt;
    }
    return openings;
}

std::optional<std::vector<Opening>> read_openings_file(const std::string &path, std::string &error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ": cannot be read";
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return parse_openings(text.str(), path, error);
}

} // namespace match
