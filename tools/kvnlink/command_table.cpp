// command_table.cpp - the commands typed once linked: each one's fields, help line and parser, in one table.
#include <cstring>
#include <limits>

#include "codec/codec.h"
#include "command.h"
#include "command_fields.h"
#include "wire.h"

namespace kvnlink {

namespace {

using Args = std::vector<std::string>;
constexpr size_t any = std::numeric_limits<size_t>::max();

struct Entry {
    const char *word;
    const char *fields; // as shown in help and in "expected ..." complaints
    const char *help;   // may run over several lines
    Command::Kind kind;
    size_t min_fields, max_fields;
    void (*parse)(Fields &, const Args &, const std::string &rest, Command &);
};

void parse_request(Fields &f, const Args &a, const std::string &, Command &c) {
    if (a.size() == 5) {
        f.fail("give both SIDE and SQUARES, or neither");
        return;
    }
    c.message.type = KVN_GAME_REQUEST;
    auto &r = c.message.u.game_request;
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

void parse_accept(Fields &f, const Args &a, const std::string &, Command &c) {
    c.message.type = KVN_GAME_ACCEPT;
    f.name(a[0], c.message.u.game_accept.name);
    c.message.u.game_accept.accept_code = f.number(a[1], "CODE", 0, 3);
}

// Captured squares as separate words, comma lists or "x19,23" as kvnlink prints them.
void parse_captured(Fields &f, const std::string &word, kvn_move &v) {
    std::string list = word;
    if (!list.empty() && list[0] == 'x') list.erase(0, 1);
    size_t start = 0;
    do {
        const size_t comma = list.find(',', start);
        const std::string square = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (v.capture_count == 20) f.fail("at most 20 captured squares");
        else v.captured[v.capture_count++] = f.number(square, "CAPTURED", 1, 50);
        start = comma == std::string::npos ? list.size() + 1 : comma + 1;
    } while (start <= list.size() && f.ok());
}

void parse_move(Fields &f, const Args &a, const std::string &, Command &c) {
    c.message.type = KVN_MOVE;
    auto &v = c.message.u.move;
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
    for (; next < a.size() && f.ok(); ++next) parse_captured(f, a[next], v);
}

void parse_end(Fields &f, const Args &a, const std::string &, Command &c) {
    c.message.type = KVN_GAME_END;
    c.message.u.game_end.reason = f.number(a[0], "REASON", 0, 3);
    c.message.u.game_end.stop_code = f.number(a[1], "STOP", 0, 1);
}

void parse_chat(Fields &f, const Args &, const std::string &rest, Command &c) {
    c.message.type = KVN_CHAT;
    std::string text = rest;
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
    if (text.empty() || text.size() > 126) f.fail("the text must have 1-126 characters");
    else std::memcpy(c.message.u.chat.text, text.data(), text.size());
}

void parse_back(Fields &f, const Args &a, const std::string &, Command &c) {
    c.message.type = KVN_BACK_REQUEST;
    c.message.u.back_request.move_number = f.number(a[0], "NUMBER", 1, 999);
    c.message.u.back_request.side_to_move = f.side(a[1], "SIDE");
}

void parse_backaccept(Fields &f, const Args &a, const std::string &, Command &c) {
    c.message.type = KVN_BACK_ACCEPT;
    c.message.u.back_accept.accept_code = f.number(a[0], "CODE", 0, 2);
}

// The library sends records, not texts: the text is decoded here and
// re-encoded by kvn_send_message, which normalises what it can.
void parse_raw(Fields &f, const Args &, const std::string &rest, Command &c) {
    c.raw_text = rest;
    c.message = decode_wire(rest);
    if (rest.size() > 127) f.fail("a wire text has at most 127 characters");
    else if (c.message.type == KVN_NONE) f.fail("the text must start with one of R A M E C B K");
}

void no_message(Fields &, const Args &, const std::string &, Command &) {}

using K = Command::Kind;
const Entry table[] = {
    {"request", "NAME COLOUR TIME MOVES [SIDE SQUARES]",
     "game request; COLOUR and SIDE W or Z, SQUARES 50 characters\n"
     "for squares 1-50 (z w Z W e); without them the starting position",
     K::send, 4, 6, parse_request},
    {"accept", "NAME CODE", "game accept, CODE 0-3", K::send, 2, 2, parse_accept},
    {"move", "TIME FROM TO [CAPTURED...]", "move; also 'move TIME 32-28' and 'move TIME 28x19 23'", K::send, 2, 24,
     parse_move},
    {"end", "REASON STOP", "game end, REASON 0-3, STOP 0-1", K::send, 2, 2, parse_end},
    {"chat", "TEXT...", "chat, the rest of the line (1-126 characters)", K::send, 0, any, parse_chat},
    {"back", "NUMBER SIDE", "back request, NUMBER 1-999, SIDE W or Z", K::send, 2, 2, parse_back},
    {"backaccept", "CODE", "back accept, CODE 0-2", K::send, 1, 1, parse_backaccept},
    {"raw", "WIRETEXT", "a wire text, decoded and sent as the library re-encodes it", K::send, 0, any, parse_raw},
    {"board", "", "the position of the game being followed", K::board, 0, 0, no_message},
    {"quit", "", "disconnect and exit (so does end of input)", K::quit, 0, 0, no_message},
    {"help", "", "this summary", K::help, 0, any, no_message},
};
constexpr size_t help_column = 47;
const char *const help_footer = "Names with spaces go in double quotes: accept \"Deep Blue\" 0";

const Entry *find(const std::string &word) {
    const std::string wanted = word == "exit" ? "quit" : word; // exit: what many users type first
    for (const Entry &e : table)
        if (wanted == e.word) return &e;
    return nullptr;
}

std::string usage_of(const Entry &e) {
    return *e.fields ? std::string(e.word) + " " + e.fields : std::string("no fields");
}

} // namespace

bool takes_rest_of_line(const std::string &word) { return word == "chat" || word == "raw"; }

Command build_command(const std::string &word, const Args &a, const std::string &rest) {
    Command c;
    Fields f(word, a);
    const Entry *e = find(word);
    if (e == nullptr) f.fail("unknown command (try help)");
    else if (f.count(e->min_fields, e->max_fields, usage_of(*e))) e->parse(f, a, rest, c);
    c.kind = e != nullptr ? e->kind : K::error;
    if (!f.ok()) {
        c.kind = K::error;
        c.error = f.error();
    }
    return c;
}

std::string command_help() {
    std::string text;
    for (const Entry &e : table) {
        std::string head = std::string(e.word) + (*e.fields ? " " : "") + e.fields;
        head.resize(help_column, ' ');
        for (const char *line = e.help; *line != '\0';) {
            const char *end = std::strchr(line, '\n');
            const size_t length = end != nullptr ? static_cast<size_t>(end - line) : std::strlen(line);
            text += head + std::string(line, length) + "\n";
            head.assign(help_column, ' ');
            line += length + (end != nullptr ? 1 : 0);
        }
    }
    return text + help_footer;
}

} // namespace kvnlink
