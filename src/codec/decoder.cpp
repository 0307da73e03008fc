// decoder.cpp - classifies received wire texts and decodes them into records.
#include "codec/codec.h"

#include <cstring>

namespace kvn {

namespace {

// The decoder reads every field at its fixed position; anything beyond the
// end of the text reads as 0 or NUL, and some fields are brought into range.
struct Reader {
    const char *text;
    size_t length;

    uint32_t number(uint32_t position, uint32_t width) const { return read_number(text, length, position, width); }

    // Copies `count` characters from `position` on, NUL for those at or
    // beyond the end of the text.
    void copy(size_t position, char *destination, size_t count) const {
        const size_t available = position < length ? length - position : 0;
        const size_t copied = available < count ? available : count;
        if (copied > 0) std::memcpy(destination, text + position, copied);
        std::memset(destination + copied, 0, count - copied);
    }

    char at(size_t position) const { return position < length ? text[position] : '\0'; }
};

int16_t clamp_or(uint32_t value, uint32_t lo, uint32_t hi, int16_t fallback) {
    return value >= lo && value <= hi ? static_cast<int16_t>(value) : fallback;
}

void decode_game_request(const Reader &in, kvn_game_request &r) {
    r.version = static_cast<int16_t>(in.number(1, 2));
    read_name(in.text, in.length, 3, r.name);
    r.colour = in.at(35);
    r.thinking_time = static_cast<int16_t>(in.number(36, 3));
    r.move_count = static_cast<int16_t>(in.number(39, 3));
    if (in.length > 42 && in.text[42] == 'A') {
        r.side_to_move = initial_side_to_move;
        std::memcpy(r.squares, initial_squares, sizeof r.squares);
        return;
    }
    // Any marker other than 'A' is read as an explicit position.
    r.side_to_move = in.at(43);
    in.copy(44, r.squares, sizeof r.squares);
}

void decode_move(const Reader &in, kvn_move &m) {
    m.time = static_cast<int16_t>(in.number(1, 4));
    m.from_square = clamp_or(in.number(5, 2), 1, 50, 0);
    m.to_square = clamp_or(in.number(7, 2), 1, 50, 0);
    m.capture_count = clamp_or(in.number(9, 2), 0, 20, 0);
    for (uint32_t i = 0; i < static_cast<uint32_t>(m.capture_count); ++i)
        m.captured[i] = static_cast<int16_t>(in.number(11 + 2 * i, 2));
}

// Copies up to and including the first NUL, leaving the bytes behind it as
// they were, and always ends the field with a NUL.
void decode_chat(const Reader &in, kvn_chat &c) {
    constexpr size_t most = sizeof c.text - 1;
    const size_t available = in.length > 1 ? in.length - 1 : 0;
    const size_t copied = available < most ? available : most;
    std::memcpy(c.text, in.text + 1, copied);
    c.text[copied] = '\0';
    c.text[most] = '\0';
}

} // namespace

int32_t classify_message(const char *text) {
    switch (text[0]) {
    case 'R': return KVN_GAME_REQUEST;
    case 'A': return KVN_GAME_ACCEPT;
    case 'M': return KVN_MOVE;
    case 'E': return KVN_GAME_END;
    case 'C': return KVN_CHAT;
    case 'B': return KVN_BACK_REQUEST;
    case 'K': return KVN_BACK_ACCEPT;
    default: return KVN_NONE;
    }
}

void decode_message(const char *text, kvn_message &record) {
    record.type = classify_message(text);
    if (record.type == KVN_NONE) return; // the rest of the record keeps what it held
    const Reader in{text, std::strlen(text)};
    switch (record.type) {
    case KVN_GAME_REQUEST: decode_game_request(in, record.u.game_request); break;
    case KVN_GAME_ACCEPT:
        read_name(text, in.length, 1, record.u.game_accept.name);
        record.u.game_accept.accept_code = clamp_or(in.number(33, 1), 0, 3, 3);
        break;
    case KVN_MOVE: decode_move(in, record.u.move); break;
    case KVN_GAME_END:
        record.u.game_end.reason = clamp_or(in.number(1, 1), 0, 3, 0);
        record.u.game_end.stop_code = clamp_or(in.number(2, 1), 0, 1, 1);
        break;
    case KVN_CHAT: decode_chat(in, record.u.chat); break;
    case KVN_BACK_REQUEST:
        record.u.back_request.move_number = clamp_or(in.number(1, 3), 1, 999, 1);
        record.u.back_request.side_to_move = in.at(4);
        break;
    case KVN_BACK_ACCEPT: record.u.back_accept.accept_code = clamp_or(in.number(1, 1), 0, 2, 1); break;
    default: break;
    }
}

} // namespace kvn
