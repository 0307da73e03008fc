// pdn_writer.cpp - one game as PDN text.
#include "draughts/fen.h"
#include "draughts/move_check.h"
#include "draughts/move_generator.h"
#include "draughts/move_text.h"
#include "draughts/pdn.h"
#include "draughts/square_string.h"

namespace draughts {

namespace {

constexpr size_t line_width = 79;

std::string tag(const char *name, const std::string &value) {
    std::string escaped;
    for (char c : value) {
        if (c == '"' || c == '\\') escaped += '\\';
        escaped += c;
    }
    return std::string("[") + name + " \"" + escaped + "\"]\n";
}

// Movetext tokens joined by spaces, broken into lines no wider than line_width.
std::string wrap(const std::vector<std::string> &tokens) {
    std::string text, line;
    for (const std::string &t : tokens) {
        if (!line.empty() && line.size() + 1 + t.size() > line_width) {
            text += line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + t;
    }
    return text + line + "\n";
}

} // namespace

std::string pdn_move(const Position &position, const Move &move) {
    if (move.captured == 0) return notation(move);
    MoveList legal;
    generate_moves(position, legal);
    return distinct_notation(position, legal, move);
}

std::string write_pdn(const PdnTags &tags, const Game &game, const std::vector<std::string> &notes) {
    std::string text = tag("Event", tags.event) + tag("Site", tags.site) + tag("Date", tags.date) +
                       tag("Round", tags.round) + tag("White", tags.white) + tag("Black", tags.black) +
                       tag("Result", result_text(game.result())) + tag("GameType", "20");
    if (!(game.start() == Position::initial())) text += tag("FEN", to_fen(game.start()));
    if (game.ending() != Ending::none) text += tag("Termination", ending_name(game.ending()));

    std::vector<std::string> tokens;
    int number = 1;
    bool number_black = true; // black's move needs "N..." at the start and after a comment
    size_t legal_moves = 0;
    for (const Ply &ply : game.plies()) {
        const bool black = ply.side == Side::black;
        if (ply.verdict.legal) {
            // A move number stays on the line of its move.
            std::string number_text;
            if (!black) number_text = std::to_string(number) + ". ";
            else if (number_black) number_text = std::to_string(number) + "... ";
            tokens.push_back(number_text + pdn_move(ply.before, ply.move));
            number_black = false;
            if (legal_moves < notes.size() && !notes[legal_moves].empty()) {
                tokens.push_back("{" + notes[legal_moves] + "}");
                number_black = true;
            }
            ++legal_moves;
        } else {
            tokens.push_back(std::string("{illegal move by ") + side_letter(ply.side) + ": " +
                             claimed_notation(ply.move) + " " + ply.verdict.why + "}");
            number_black = true;
        }
        if (ply.verdict.played && black) ++number;
    }
    if (!game.following()) tokens.push_back("{not followed further: " + game.stop_reason() + "}");
    tokens.push_back(result_text(game.result()));
    return text + "\n" + wrap(tokens) + "\n";
}

} // namespace draughts
