// pdn_reader.cpp - reading PDN games back: tags, moves resolved against the legal ones, kvnlink's comments replayed.
#include <cctype>
#include <charconv>

#include "draughts/capture_route.h"
#include "draughts/fen.h"
#include "draughts/move_generator.h"
#include "draughts/pdn.h"

namespace draughts {

namespace {

bool is_result(std::string_view t) { return t == "2-0" || t == "0-2" || t == "1-1" || t == "*" || t == "0-0"; }

// "28x19x10" -> {28, 19, 10}; empty when the token is not a move.
std::vector<int> squares_of(std::string_view token, bool &capture) {
    std::vector<int> squares;
    capture = token.find('x') != std::string_view::npos;
    while (!token.empty()) {
        int square = 0;
        const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), square);
        if (ec != std::errc() || square < 1 || square > square_count) return {};
        squares.push_back(square);
        token.remove_prefix(static_cast<size_t>(end - token.data()));
        if (token.empty()) break;
        if (token.front() != (capture ? 'x' : '-')) return {};
        token.remove_prefix(1);
    }
    return squares.size() >= 2 ? squares : std::vector<int>{};
}

// The legal move the notation names: from, to, capture or not, and any squares on the way.
bool resolve(const Position &position, std::string_view token, Move &found) {
    bool capture = false;
    const std::vector<int> squares = squares_of(token, capture);
    if (squares.empty()) return false;
    const std::vector<int> through(squares.begin() + 1, squares.end() - 1);
    MoveList legal;
    generate_moves(position, legal);
    for (const Move &m : legal) {
        if (m.from != squares.front() || m.to != squares.back() || (m.captured != 0) != capture) continue;
        if (!through.empty() && capture_route(position, m, through).empty()) continue;
        found = m;
        return true;
    }
    return false;
}

// "{illegal move by W: 28x19 taking 23,24 why}" replayed as the referee judged it.
bool replay_illegal(std::string_view comment, Game &game) {
    constexpr std::string_view prefix = "illegal move by ";
    if (comment.size() < prefix.size() + 3 || comment.substr(0, prefix.size()) != prefix) return false;
    const Side side = comment[prefix.size()] == 'W' ? Side::white : Side::black;
    std::string_view rest = comment.substr(prefix.size() + 3);
    const std::string_view token = rest.substr(0, rest.find(' '));
    bool capture = false;
    const std::vector<int> squares = squares_of(token, capture);
    if (squares.size() != 2) return false;
    Move move{0, static_cast<std::uint8_t>(squares[0]), static_cast<std::uint8_t>(squares[1])};
    rest.remove_prefix(token.size());
    constexpr std::string_view taking = " taking ";
    if (rest.substr(0, taking.size()) == taking) {
        rest.remove_prefix(taking.size());
        for (int square = 0;;) {
            const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), square);
            if (ec != std::errc() || square < 1 || square > square_count) return false;
            move.captured |= square_bit(square);
            rest.remove_prefix(static_cast<size_t>(end - rest.data()));
            if (rest.empty() || rest.front() != ',') break;
            rest.remove_prefix(1);
        }
    }
    game.claim(side, move);
    return true;
}

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool run(std::vector<PdnGame> &games, std::string &error) {
        while (skip_space(), pos_ < text_.size()) {
            const char c = text_[pos_];
            bool ok = true;
            if (c == '[') ok = read_tag(games);
            else if (c == '{') ok = read_comment();
            else ok = read_token(games);
            if (!ok) {
                error = "game " + std::to_string(games.size() + 1) + ": " + error_;
                return false;
            }
        }
        if (open_ || !current_.tags.empty()) finish(games);
        return true;
    }

private:
    void skip_space() {
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    }

    bool fail(const std::string &why) {
        error_ = why;
        return false;
    }

    void finish(std::vector<PdnGame> &games) {
        begin_moves();
        games.push_back(std::move(current_));
        current_ = PdnGame{};
        open_ = false;
    }

    // The moves start from the FEN tag's position, or the starting one.
    bool begin_moves() {
        if (open_) return true;
        open_ = true;
        const std::string fen = current_.tag("FEN");
        if (fen.empty()) return true;
        std::string why;
        const auto start = parse_fen(fen, why);
        if (!start) return fail("bad FEN tag: " + why);
        current_.game = Game(*start);
        return true;
    }

    bool read_tag(std::vector<PdnGame> &games) {
        if (open_) finish(games); // a game without a result token ends at the next game's tags
        const size_t close = text_.find(']', pos_);
        if (close == std::string_view::npos) return fail("a tag is not closed");
        const std::string_view inside = text_.substr(pos_ + 1, close - pos_ - 1);
        pos_ = close + 1;
        const size_t space = inside.find(' ');
        const size_t open_quote = inside.find('"');
        if (space == std::string_view::npos || open_quote == std::string_view::npos) return fail("a tag has no value");
        std::string value;
        for (size_t i = open_quote + 1; i < inside.size() && inside[i] != '"'; ++i) {
            if (inside[i] == '\\' && i + 1 < inside.size()) ++i;
            value += inside[i];
        }
        current_.tags.emplace_back(std::string(inside.substr(0, space)), value);
        return true;
    }

    bool read_comment() {
        const size_t close = text_.find('}', pos_);
        if (close == std::string_view::npos) return fail("a comment is not closed");
        const std::string_view comment = text_.substr(pos_ + 1, close - pos_ - 1);
        pos_ = close + 1;
        if (!begin_moves()) return false;
        constexpr std::string_view stopped = "not followed further: ";
        if (comment.substr(0, stopped.size()) == stopped)
            current_.game.stop(std::string(comment.substr(stopped.size())));
        else replay_illegal(comment, current_.game);
        return true;
    }

    bool read_token(std::vector<PdnGame> &games) {
        size_t end = pos_;
        while (end < text_.size() && !std::isspace(static_cast<unsigned char>(text_[end])) && text_[end] != '{' &&
               text_[end] != '[')
            ++end;
        std::string_view token = text_.substr(pos_, end - pos_);
        pos_ = end;
        if (!begin_moves()) return false;
        if (is_result(token)) {
            finish(games);
            return true;
        }
        // A move number, "12." or "12...", possibly glued to the move after it.
        size_t digits = 0;
        while (digits < token.size() && std::isdigit(static_cast<unsigned char>(token[digits]))) ++digits;
        if (digits > 0 && digits < token.size() && token[digits] == '.') {
            token.remove_prefix(digits);
            while (!token.empty() && token.front() == '.') token.remove_prefix(1);
            if (token.empty()) return true;
        }
        while (!token.empty() && (token.back() == '!' || token.back() == '?')) token.remove_suffix(1);
        Game &game = current_.game;
        Move move{};
        if (!game.following() || !resolve(game.position(), token, move))
            return fail("'" + std::string(token) + "' is no legal move after " + std::to_string(game.plies().size()) +
                        " plies");
        game.claim(game.position().to_move, move);
        return true;
    }

    std::string_view text_;
    size_t pos_ = 0;
    PdnGame current_;
    bool open_ = false; // the current game's moves have begun
    std::string error_;
};

} // namespace

std::string PdnGame::tag(const std::string &name) const {
    for (const auto &[key, value] : tags)
        if (key == name) return value;
    return {};
}

std::vector<PdnGame> read_pdn(std::string_view text, std::string &error) {
    std::vector<PdnGame> games;
    if (!Reader(text).run(games, error)) return {};
    return games;
}

} // namespace draughts
