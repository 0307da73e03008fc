// command.cpp - parses kvnlink's commands into kvn_message records, checking every field's range.
#include "command.h"

#include <cstring>

#include "codec/codec.h"
#include "wire.h"

namespace kvnlink {

namespace {

const char *const help_text =
    "request NAME COLOUR TIME MOVES [SIDE SQUARES]  game request; COLOUR and SIDE W or Z, SQUARES 50 characters\n"
    "                                               for squares 1-50 (z w Z W e); without them the starting position\n"
    "accept NAME CODE                               game accept, CODE 0-3\n"
    "move TIME FROM TO [CAPTURED...]                move; also 'move TIME 32-28' and 'move TIME 28x19 23'\n"
    "end REASON STOP                                game end, REASON 0-3, STOP 0-1\n"
    "chat TEXT...                                   chat, the rest of the line (1-126 characters)\n"
    "back NUMBER SIDE                               back request, NUMBER 1-999, SIDE W or Z\n"
    "backaccept CODE                                back accept, CODE 0-2\n"
    "raw WIRETEXT                                   a wire text, decoded and sent as the library re-encodes it\n"
    "board                                          the position of the game being followed\n"
    "quit                                           disconnect and exit (so does end of input)\n"
    "help                                           this summary\n"
    "Names with spaces go in double quotes: accept \"Deep Blue\" 0";

bool is_space(char c) { return c == ' ' || c == '\t'; }

std::string trim(const std::string &s) {
    size_t begin = 0, end = s.size();
    while (begin < end && is_space(s[begin])) ++begin;
    while (end > begin && is_space(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}

// Collects the first complaint; every check after it is skipped.
class Fields {
public:
    Fields(const std::string &command, const std::vector<std::string> &args) : command_(command), args_(args) {}

    bool ok() const { return error_.empty(); }
    const std::string &error() const { return error_; }
    void fail(const std::string &what) {
        if (ok()) error_ = command_ + ": " + what;
    }

    bool count(size_t lo, size_t hi, const char *usage) {
        if (args_.size() < lo || args_.size() > hi) fail(std::string("expected ") + usage);
        return ok();
    }

    int16_t number(const std::string &token, const char *what, int lo, int hi) {
        if (!ok()) return 0;
        long value = 0;
        bool digits = !token.empty() && token.size() <= 5;
        for (char c : token) {
            digits = digits && c >= '0' && c <= '9';
            value = value * 10 + (c - '0');
        }
        if (!digits || value < lo || value > hi) {
            fail(std::string(what) + " must be a number " + std::to_string(lo) + "-" + std::to_string(hi) + ", not '" +
                 token + "'");
            return 0;
        }
        return static_cast<int16_t>(value);
    }

    char side(const std::string &token, const char *what) {
        if (token == "W" || token == "w") return 'W';
        if (token == "Z" || token == "z") return 'Z';
        fail(std::string(what) + " must be W or Z, not '" + token + "'");
        return 'W';
    }

    template <size_t N>
    void name(const std::string &token, char (&field)[N]) {
        if (token.empty() || token[0] == ' ' || token.size() > N - 1) {
            fail("the name must have 1-" + std::to_string(N - 1) + " characters and not start with a space");
            return;
        }
        std::memcpy(field, token.data(), token.size());
    }

private:
    std::string command_;
    const std::vector<std::string> &args_;
    std::string error_;
};

void parse_request(Fields &f, const std::vector<std::string> &a, kvn_message &m) {
    if (!f.count(4, 6, "request NAME COLOUR TIME MOVES [SIDE SQUARES]") || a.size() == 5) {
        f.fail("give both SIDE and SQUARES, or neither");
        return;
    }
    auto &r = m.u.game_request;
    r.version = 1;
    f.name(a[0], r.name);
    r.colour = f.side(a[1], "COLOUR");
    r.thinking_time = f.number(a[2], "TIME", 0, 999);
    r.move_count = f.number(a[3], "MOVES", 0, 999);
    if (a.size() == 4) {
        r.side_to_move = kvn::initial_side_to_move;
        std::memcpy(r.squares, kvn::initial_squares, sizeof r.squares);
        return;
    }
    r.side_to_move = f.side(a[4], "SIDE");
    if (a[5].size() != 50) f.fail("SQUARES must have 50 characters, not " + std::to_string(a[5].size()));
    else std::memcpy(r.squares, a[5].data(), 50);
}

void parse_move(Fields &f, const std::vector<std::string> &a, kvn_message &m) {
    if (!f.count(2, 24, "move TIME FROM TO [CAPTURED...] or move TIME FROM-TO [CAPTURED...]")) return;
    auto &v = m.u.move;
    v.time = f.number(a[0], "TIME", 0, 9999);
    size_t next = 2;
    const size_t joint = a[1].find_first_of("-x");
    if (joint != std::string::npos) {
        v.from_square = f.number(a[1].substr(0, joint), "FROM", 1, 50);
        v.to_square = f.number(a[1].substr(joint + 1), "TO", 1, 50);
    } else if (a.size() < 3) {
        f.fail("expected move TIME FROM TO [CAPTURED...]");
    } else {
        v.from_square = f.number(a[1], "FROM", 1, 50);
        v.to_square = f.number(a[2], "TO", 1, 50);
        next = 3;
    }
    // Captured squares as separate words, comma lists or "x19,23" as kvnlink prints them.
    for (; next < a.size() && f.ok(); ++next) {
        std::string list = a[next];
        if (!list.empty() && list[0] == 'x') list.erase(0, 1);
        size_t start = 0;
        do {
            const size_t comma = list.find(',', start);
            const std::string square =
                list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            if (v.capture_count == 20) f.fail("at most 20 captured squares");
            else v.captured[v.capture_count++] = f.number(square, "CAPTURED", 1, 50);
            start = comma == std::string::npos ? list.size() + 1 : comma + 1;
        } while (start <= list.size() && f.ok());
    }
}

Command build(const std::string &word, const std::vector<std::string> &a, const std::string &rest) {
    Command c;
    c.kind = Command::Kind::send;
    kvn_message &m = c.message;
    Fields f(word, a);
    if (word == "request") {
        m.type = KVN_GAME_REQUEST;
        parse_request(f, a, m);
    } else if (word == "accept") {
        m.type = KVN_GAME_ACCEPT;
        if (f.count(2, 2, "accept NAME CODE")) {
            f.name(a[0], m.u.game_accept.name);
            m.u.game_accept.accept_code = f.number(a[1], "CODE", 0, 3);
        }
    } else if (word == "move") {
        m.type = KVN_MOVE;
        parse_move(f, a, m);
    } else if (word == "end") {
        m.type = KVN_GAME_END;
        if (f.count(2, 2, "end REASON STOP")) {
            m.u.game_end.reason = f.number(a[0], "REASON", 0, 3);
            m.u.game_end.stop_code = f.number(a[1], "STOP", 0, 1);
        }
    } else if (word == "chat") {
        m.type = KVN_CHAT;
        std::string text = rest;
        if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
        if (text.empty() || text.size() > 126) f.fail("the text must have 1-126 characters");
        else std::memcpy(m.u.chat.text, text.data(), text.size());
    } else if (word == "back") {
        m.type = KVN_BACK_REQUEST;
        if (f.count(2, 2, "back NUMBER SIDE")) {
            m.u.back_request.move_number = f.number(a[0], "NUMBER", 1, 999);
            m.u.back_request.side_to_move = f.side(a[1], "SIDE");
        }
    } else if (word == "backaccept") {
        m.type = KVN_BACK_ACCEPT;
        if (f.count(1, 1, "backaccept CODE")) m.u.back_accept.accept_code = f.number(a[0], "CODE", 0, 2);
    } else if (word == "raw") {
        // The library sends records, not texts: the text is decoded here and
        // re-encoded by kvn_send_message, which normalises what it can.
        c.raw_text = rest;
        m = decode_wire(rest);
        if (rest.size() > 127) f.fail("a wire text has at most 127 characters");
        else if (m.type == KVN_NONE) f.fail("the text must start with one of R A M E C B K");
    } else if (word == "quit" || word == "exit") {
        if (f.count(0, 0, "no fields")) c.kind = Command::Kind::quit;
    } else if (word == "board") {
        if (f.count(0, 0, "no fields")) c.kind = Command::Kind::board;
    } else if (word == "help") {
        c.kind = Command::Kind::help;
    } else {
        f.fail("unknown command (try help)");
    }
    if (!f.ok()) {
        c.kind = Command::Kind::error;
        c.error = f.error();
    }
    return c;
}

} // namespace

Command parse_line(const std::string &line) {
    size_t begin = 0;
    while (begin < line.size() && is_space(line[begin])) ++begin;
    if (begin == line.size() || line[begin] == '#') return {};
    size_t end = begin;
    while (end < line.size() && !is_space(line[end])) ++end;
    const std::string word = line.substr(begin, end - begin);
    const std::string rest = trim(line.substr(end));
    // Chat and raw texts keep their trailing spaces: they are part of the message.
    while (end < line.size() && is_space(line[end])) ++end;
    const std::string verbatim = line.substr(end);

    std::vector<std::string> words;
    for (size_t i = 0; i < rest.size();) {
        if (is_space(rest[i])) {
            ++i;
        } else if (rest[i] == '"') {
            const size_t close = rest.find('"', i + 1);
            if (close == std::string::npos && word != "chat" && word != "raw") {
                Command c;
                c.kind = Command::Kind::error;
                c.error = word + ": a quote is not closed";
                return c;
            }
            words.push_back(rest.substr(i + 1, close - i - 1));
            i = close == std::string::npos ? rest.size() : close + 1;
        } else {
            size_t stop = i;
            while (stop < rest.size() && !is_space(rest[stop])) ++stop;
            words.push_back(rest.substr(i, stop - i));
            i = stop;
        }
    }
    return build(word, words, word == "chat" || word == "raw" ? verbatim : rest);
}

Command parse_words(const std::vector<std::string> &words) {
    if (words.empty()) return {};
    const std::vector<std::string> args(words.begin() + 1, words.end());
    std::string rest;
    for (const auto &w : args) rest += (rest.empty() ? "" : " ") + w;
    return build(words[0], args, rest);
}

const char *command_help() { return help_text; }

} // namespace kvnlink
