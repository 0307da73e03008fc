// format.cpp - readable lines, JSON objects and the board drawing for kvnlink's output.
#include "format.h"

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

// Names and chat texts in the record are NUL-terminated within their field.
std::string field_text(const char *field, size_t size) { return std::string(field, strnlen(field, size)); }

std::string side_name(char side) {
    if (side == 'W') return "W";
    if (side == 'Z') return "Z";
    return printable(side);
}

} // namespace

Json &Json::key(const char *name) {
    if (body_.size() > 1) body_ += ',';
    body_ += json_string(name) + ':';
    return *this;
}

Json &Json::add(const char *name, long value) {
    key(name).body_ += std::to_string(value);
    return *this;
}

Json &Json::add(const char *name, const std::string &value) {
    key(name).body_ += json_string(value);
    return *this;
}

Json &Json::add_char(const char *name, char value) {
    return add(name, value == '\0' ? std::string() : std::string(1, value));
}

Json &Json::add_bool(const char *name, bool value) {
    key(name).body_ += value ? "true" : "false";
    return *this;
}

Json &Json::add_raw(const char *name, const std::string &json) {
    key(name).body_ += json;
    return *this;
}

std::string json_string(const std::string &text) {
    std::string out = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
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
    std::string line = kind_name(m.type);
    const auto number = [](long value) { return std::to_string(value); };
    switch (m.type) {
    case KVN_GAME_REQUEST: {
        const auto &r = m.u.game_request;
        line += " " + quoted(field_text(r.name, sizeof r.name)) + " colour " + side_name(r.colour) + " time " +
                number(r.thinking_time) + " moves " + number(r.move_count) + " version " + number(r.version);
        line +=
            kvn::is_initial_position(r) ? " initial position" : " position " + side_name(r.side_to_move) + " to move";
        break;
    }
    case KVN_GAME_ACCEPT:
        line += " " + quoted(field_text(m.u.game_accept.name, sizeof m.u.game_accept.name)) + " code " +
                number(m.u.game_accept.accept_code);
        break;
    case KVN_MOVE: {
        const auto &v = m.u.move;
        line += " " + number(v.from_square) + "-" + number(v.to_square);
        for (int i = 0; i < v.capture_count && i < 20; ++i) line += (i == 0 ? " x" : ",") + number(v.captured[i]);
        line += " time " + number(v.time);
        break;
    }
    case KVN_GAME_END:
        line += " reason " + number(m.u.game_end.reason) + " stop " + number(m.u.game_end.stop_code);
        break;
    case KVN_CHAT: line += " " + quoted(field_text(m.u.chat.text, sizeof m.u.chat.text)); break;
    case KVN_BACK_REQUEST:
        line += " move " + number(m.u.back_request.move_number) + " side " + side_name(m.u.back_request.side_to_move);
        break;
    case KVN_BACK_ACCEPT: line += " code " + number(m.u.back_accept.accept_code); break;
    default: break;
    }
    return line;
}

void add_fields(Json &json, const kvn_message &m) {
    json.add("kind", kind_name(m.type));
    switch (m.type) {
    case KVN_GAME_REQUEST: {
        const auto &r = m.u.game_request;
        json.add("version", r.version)
            .add("name", field_text(r.name, sizeof r.name))
            .add_char("colour", r.colour)
            .add("thinking_time", r.thinking_time)
            .add("move_count", r.move_count)
            .add_char("side_to_move", r.side_to_move)
            .add("squares", std::string(r.squares, sizeof r.squares))
            .add_bool("initial", kvn::is_initial_position(r));
        break;
    }
    case KVN_GAME_ACCEPT:
        json.add("name", field_text(m.u.game_accept.name, sizeof m.u.game_accept.name))
            .add("accept_code", m.u.game_accept.accept_code);
        break;
    case KVN_MOVE: {
        const auto &v = m.u.move;
        std::string captured = "[";
        for (int i = 0; i < v.capture_count && i < 20; ++i) captured += (i ? "," : "") + std::to_string(v.captured[i]);
        json.add("time", v.time)
            .add("from_square", v.from_square)
            .add("to_square", v.to_square)
            .add("capture_count", v.capture_count)
            .add_raw("captured", captured + "]");
        break;
    }
    case KVN_GAME_END: json.add("reason", m.u.game_end.reason).add("stop_code", m.u.game_end.stop_code); break;
    case KVN_CHAT: json.add("text", field_text(m.u.chat.text, sizeof m.u.chat.text)); break;
    case KVN_BACK_REQUEST:
        json.add("move_number", m.u.back_request.move_number).add_char("side_to_move", m.u.back_request.side_to_move);
        break;
    case KVN_BACK_ACCEPT: json.add("accept_code", m.u.back_accept.accept_code); break;
    default: break;
    }
}

std::vector<std::string> draw_board(char side_to_move, const char (&squares)[50]) {
    std::vector<std::string> lines;
    const std::string edge = "+" + std::string(21, '-') + "+";
    lines.push_back(edge);
    for (int row = 0; row < 10; ++row) {
        std::string board = "|";
        std::string numbers;
        for (int column = 0; column < 10; ++column) {
            // Square 1 is the second cell of the top row: dark cells alternate by row.
            const bool dark = (row + column) % 2 == 1;
            if (!dark) {
                board += "  ";
                numbers += "  ";
                continue;
            }
            const int square = row * 5 + column / 2; // 0-based
            const char piece = squares[square];
            const auto byte = static_cast<unsigned char>(piece);
            board += ' ';
            board += piece == 'e' ? '.' : (byte > 0x20 && byte < 0x7F) ? piece : '?';
            char number[8];
            std::snprintf(number, sizeof number, "%2d", square + 1);
            numbers += number;
        }
        while (!numbers.empty() && numbers.back() == ' ') numbers.pop_back();
        lines.push_back(board + " |  " + numbers);
    }
    lines.push_back(edge);
    lines.push_back("w/W white man/king, z/Z black man/king, . empty; " + side_name(side_to_move) + " to move");
    return lines;
}

} // namespace kvnlink
