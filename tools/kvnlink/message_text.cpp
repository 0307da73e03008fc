// message_text.cpp - the readable line of each message kind.
#include "message_text.h"

#include <cstdio>
#include <cstring>

#include "codec/codec.h"

namespace kvnlink {

namespace {

std::string printable(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) return std::string(1, c);
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
    return escaped;
}

std::string number(long value) { return std::to_string(value); }

std::string describe_request(const kvn_game_request &r) {
    std::string line = " " + quoted(field_text(r.name, sizeof r.name)) + " colour " + side_name(r.colour) + " time " +
                       number(r.thinking_time) + " moves " + number(r.move_count) + " version " + number(r.version);
    return line +
           (kvn::is_initial_position(r) ? " initial position" : " position " + side_name(r.side_to_move) + " to move");
}

std::string describe_move(const kvn_move &v) {
    std::string line = " " + number(v.from_square) + "-" + number(v.to_square);
    for (int i = 0; i < v.capture_count && i < 20; ++i) line += (i == 0 ? " x" : ",") + number(v.captured[i]);
    return line + " time " + number(v.time);
}

} // namespace

std::string field_text(const char *field, size_t size) { return std::string(field, strnlen(field, size)); }

std::string side_name(char side) {
    if (side == 'W' || side == 'Z') return std::string(1, side);
    return printable(side);
}

std::string quoted(const std::string &text) {
    std::string out = "\"";
    for (char c : text) out += (c == '"' || c == '\\') ? std::string{'\\', c} : printable(c);
    return out + "\"";
}

const char *kind_name(int32_t type) {
    switch (type) {
    case KVN_GAME_REQUEST: return "request";
    case KVN_GAME_ACCEPT: return "accept";
    case KVN_MOVE: return "move";
    case KVN_GAME_END: return "end";
    case KVN_CHAT: return "chat";
    case KVN_BACK_REQUEST: return "back";
    case KVN_BACK_ACCEPT: return "backaccept";
    default: return "unknown";
    }
}

std::string describe(const kvn_message &m) {
    const std::string kind = kind_name(m.type);
    switch (m.type) {
    case KVN_GAME_REQUEST: return kind + describe_request(m.u.game_request);
    case KVN_GAME_ACCEPT:
        return kind + " " + quoted(field_text(m.u.game_accept.name, sizeof m.u.game_accept.name)) + " code " +
               number(m.u.game_accept.accept_code);
    case KVN_MOVE: return kind + describe_move(m.u.move);
    case KVN_GAME_END:
        return kind + " reason " + number(m.u.game_end.reason) + " stop " + number(m.u.game_end.stop_code);
    case KVN_CHAT: return kind + " " + quoted(field_text(m.u.chat.text, sizeof m.u.chat.text));
    case KVN_BACK_REQUEST:
        return kind + " move " + number(m.u.back_request.move_number) + " side " +
               side_name(m.u.back_request.side_to_move);
    case KVN_BACK_ACCEPT: return kind + " code " + number(m.u.back_accept.accept_code);
    default: return kind;
    }
}

} // namespace kvnlink
