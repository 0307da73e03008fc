// encoder.cpp - turns a host's kvn_message into its wire text.
#include "codec/codec.h"

#include <cstring>

namespace kvn {

namespace {

constexpr int32_t name_width = 32;

bool in_range(int16_t value, int lo, int hi) { return value >= lo && value <= hi; }

int16_t or_default(int16_t value, int lo, int hi, int16_t fallback) {
    return in_range(value, lo, hi) ? value : fallback;
}

// Number of characters before the first NUL among the first `limit`; bytes
// after the limit are never read.
int32_t bounded_length(const char *s, int32_t limit) {
    const void *nul = std::memchr(s, '\0', static_cast<size_t>(limit));
    return nul == nullptr ? limit : static_cast<int32_t>(static_cast<const char *>(nul) - s);
}

// A name that starts empty or with a blank is replaced whole by a one-letter
// placeholder; otherwise it is sent as given and padded to 32 positions.
void append_name(MsgText &text, const char *name, char placeholder) {
    static constexpr char blanks[name_width + 1] = "                                ";
    int32_t written = 1;
    if (name[0] == '\0' || name[0] == ' ') {
        text.append_char(placeholder);
    } else {
        written = bounded_length(name, name_width);
        text.append_chars(name, written);
    }
    text.append_chars(blanks, name_width - written);
}

void encode_game_request(const kvn_game_request &r, MsgText &text) {
    text.append_number(or_default(r.version, 1, 99, 1), 2);
    append_name(text, r.name, 'P');
    text.append_char(r.colour == 'Z' || r.colour == 'z' ? 'Z' : 'W');
    text.append_number(or_default(r.thinking_time, 0, 999, 10), 3);
    text.append_number(or_default(r.move_count, 0, 999, 0), 3);
    if (is_initial_position(r)) {
        text.append_char('A');
        return;
    }
    text.append_char('B');
    text.append_char(r.side_to_move);
    text.append_chars(r.squares, static_cast<int32_t>(sizeof r.squares));
}

void encode_game_accept(const kvn_game_accept &a, MsgText &text) {
    append_name(text, a.name, 'Q');
    text.append_number(or_default(a.accept_code, 0, 3, 3), 1);
}

void encode_move(const kvn_move &m, MsgText &text) {
    text.append_number(or_default(m.time, 0, 9999, 0), 4);
    text.append_number(or_default(m.from_square, 1, 50, 1), 2);
    text.append_number(or_default(m.to_square, 1, 50, 1), 2);
    const int16_t count = or_default(m.capture_count, 0, 20, 0);
    text.append_number(count, 2);
    for (int i = 0; i < count; ++i) text.append_number(or_default(m.captured[i], 1, 50, 0), 2);
}

void encode_game_end(const kvn_game_end &e, MsgText &text) {
    text.append_number(or_default(e.reason, 0, 3, 0), 1);
    text.append_number(or_default(e.stop_code, 0, 1, 1), 1);
}

void encode_chat(const kvn_chat &c, MsgText &text) {
    if (c.text[0] == '\0') {
        text.append_char(' ');
        return;
    }
    text.append_chars(c.text, bounded_length(c.text, 126));
}

void encode_back_request(const kvn_back_request &b, MsgText &text) {
    text.append_number(or_default(b.move_number, 1, 999, 1), 3);
    text.append_char(b.side_to_move);
}

void encode_back_accept(const kvn_back_accept &b, MsgText &text) {
    text.append_number(or_default(b.accept_code, 0, 2, 1), 1);
}

} // namespace

bool is_initial_position(const kvn_game_request &request) {
    return request.side_to_move == initial_side_to_move &&
           std::memcmp(request.squares, initial_squares, sizeof request.squares) == 0;
}

MsgText &encode_message(const kvn_message &record, MsgText &text) {
    static constexpr char letters[] = "RAMECBK";
    text.clear();
    if (record.type >= 1 && record.type <= 7) {
        text.append_char(letters[record.type - 1]);
        switch (record.type) {
        case KVN_GAME_REQUEST: encode_game_request(record.u.game_request, text); break;
        case KVN_GAME_ACCEPT: encode_game_accept(record.u.game_accept, text); break;
        case KVN_MOVE: encode_move(record.u.move, text); break;
        case KVN_GAME_END: encode_game_end(record.u.game_end, text); break;
        case KVN_CHAT: encode_chat(record.u.chat, text); break;
        case KVN_BACK_REQUEST: encode_back_request(record.u.back_request, text); break;
        default: encode_back_accept(record.u.back_accept, text); break;
        }
    }
    text.cursor = 0;
    return text;
}

} // namespace kvn
