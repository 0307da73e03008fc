// pdn_replay.cpp - replaying a PDN game move by move, and reading games back for the referee.
#include "draughts/pdn_replay.h"

#include <charconv>

#include "draughts/fen.h"
#include "draughts/move_text.h"
#include "draughts/pdn.h"

namespace draughts {

namespace {

// The squares of "23,24" into a set; false when one is not a square.
bool read_taken(std::string_view list, Bits &taken) {
    for (int square = 0;;) {
        const auto [end, ec] = std::from_chars(list.data(), list.data() + list.size(), square);
        if (ec != std::errc() || square < 1 || square > square_count) return false;
        taken |= square_bit(square);
        list.remove_prefix(static_cast<size_t>(end - list.data()));
        if (list.empty() || list.front() != ',') return true;
        list.remove_prefix(1);
    }
}

// "{illegal move by W: 28x19 taking 23,24 why}" claimed as the referee judged it.
void replay_illegal(std::string_view comment, Game &game) {
    constexpr std::string_view prefix = "illegal move by ";
    if (comment.size() < prefix.size() + 3 || comment.substr(0, prefix.size()) != prefix) return;
    const Side side = comment[prefix.size()] == 'W' ? Side::white : Side::black;
    std::string_view rest = comment.substr(prefix.size() + 3);
    const std::string_view token = rest.substr(0, rest.find(' '));
    const size_t mark = token.find_first_of("-x");
    int from = 0, to = 0;
    if (mark == std::string_view::npos || std::from_chars(token.data(), token.data() + mark, from).ec != std::errc() ||
        std::from_chars(token.data() + mark + 1, token.data() + token.size(), to).ec != std::errc() || from < 1 ||
        from > square_count || to < 1 || to > square_count)
        return;
    Move move{0, static_cast<std::uint8_t>(from), static_cast<std::uint8_t>(to)};
    rest.remove_prefix(token.size());
    constexpr std::string_view taking = " taking ";
    if (rest.substr(0, taking.size()) == taking) {
        rest.remove_prefix(taking.size());
        if (!read_taken(rest.substr(0, rest.find(' ')), move.captured)) return;
    }
    // The referee ended the game at the first illegal claim, as an arbiter would; so does its replay.
    game.claim_as_arbiter(side, move);
}

void replay_comment(const std::string &comment, PdnReplay &out) {
    constexpr std::string_view stopped = "not followed further: ";
    if (std::string_view(comment).substr(0, stopped.size()) == stopped) out.game.stop(comment.substr(stopped.size()));
    else if (comment.rfind("illegal move by ", 0) == 0) {
        replay_illegal(comment, out.game);
        ++out.plies;
    }
}

// False, with the problem noted, when the move names no legal move.
bool replay_move(const PdnItem &item, PdnReplay &out) {
    Game &game = out.game;
    if (game.result() != Result::unfinished) {
        ++out.moves_after_end;
        return true;
    }
    std::string why = "comes after the game is no longer followed";
    const auto move = game.following() ? resolve_notation(game.position(), item.text, why) : std::nullopt;
    if (!move) {
        out.legal = false;
        out.problem_ply = out.plies + 1;
        out.problem_line = item.line;
        out.problem = "line " + std::to_string(item.line) + ", ply " + std::to_string(out.problem_ply) + ": '" +
                      item.text + "' " + why;
        return false;
    }
    game.claim(game.position().to_move, *move);
    ++out.plies;
    return true;
}

Result result_of_text(const std::string &text) {
    if (text == "2-0") return Result::white_wins;
    if (text == "0-2") return Result::black_wins;
    if (text == "1-1") return Result::draw;
    return Result::unfinished;
}

// The ending a Termination tag names by its ending_name(), none for any other text.
Ending named_ending(const std::string &text) {
    for (auto e = static_cast<int>(Ending::no_legal_move); e <= static_cast<int>(Ending::max_plies); ++e)
        if (text == ending_name(static_cast<Ending>(e))) return static_cast<Ending>(e);
    return Ending::none;
}

// Whether a game ended off the board by `ending` may carry the result `claimed`
// (a normal_result): an illegal move or a time forfeit loses, while after a
// lost link, a program's game end or an adjudication any result may stand,
// as the programs, a convention or an arbiter decided.
bool allows(Ending ending, const std::string &claimed) {
    if (claimed.empty()) return false;
    const bool decisive = claimed == "2-0" || claimed == "0-2";
    switch (ending) {
    case Ending::illegal_move:
    case Ending::time_forfeit: return decisive;
    case Ending::lost_link:
    case Ending::game_end_message:
    case Ending::max_plies: return true;
    default: return false;
    }
}

// A legal game the rules have not ended takes the off-board ending its Termination
// tag names, with the result it claims, when that ending allows that result.
void apply_termination(const PdnRecord &record, const std::string &claimed, PdnReplay &out) {
    const Ending ending = named_ending(record.tag("Termination"));
    if (!out.legal || out.game.result() != Result::unfinished || ending == Ending::none || by_the_rules(ending) ||
        !allows(ending, claimed))
        return;
    out.game.end(ending, result_of_text(claimed));
}

} // namespace

std::string PdnGame::tag(const std::string &name) const {
    for (const auto &[key, value] : tags)
        if (key == name) return value;
    return {};
}

PdnReplay replay_pdn(const PdnRecord &record) {
    PdnReplay out;
    const std::string fen = record.tag("FEN");
    std::string why;
    const auto start = fen.empty() ? std::optional<Position>(Position::initial()) : parse_fen(fen, why);
    if (!start) {
        out.legal = false;
        out.problem = "line " + std::to_string(record.line) + ": bad FEN tag: " + why;
    } else {
        out.game = Game(*start);
        for (const PdnItem &item : record.movetext) {
            if (item.kind == PdnItem::Kind::comment) replay_comment(item.text, out);
            else if (!replay_move(item, out)) break;
        }
    }
    out.result_tag = record.tag("Result");
    const std::string claimed = normal_result(out.result_tag.empty() ? record.result : out.result_tag);
    apply_termination(record, claimed, out);
    out.result = out.game.result();
    out.ending = out.game.ending();
    out.agrees = claimed == result_text(out.result);
    out.final_fen = to_fen(out.game.position());
    return out;
}

std::vector<PdnGame> read_pdn(std::string_view text, std::string &error) {
    std::vector<PdnGame> games;
    std::string why;
    const std::vector<PdnRecord> records = read_pdn_file(text, why);
    if (!why.empty()) {
        error = why;
        return {};
    }
    for (const PdnRecord &record : records) {
        PdnReplay replayed = replay_pdn(record);
        if (!replayed.legal) {
            error = "game " + std::to_string(games.size() + 1) + ": " + replayed.problem;
            return {};
        }
        games.push_back(PdnGame{record.tags, std::move(replayed.game)});
    }
    return games;
}

} // namespace draughts
