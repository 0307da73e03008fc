// fen.cpp - writing and reading PDN's FEN positions.
#include "draughts/fen.h"

#include <charconv>

namespace draughts {

namespace {

void append_pieces(std::string &out, char colour, Bits pieces, Bits kings) {
    out += colour;
    bool first = true;
    for (Bits b = pieces; b; b &= b - 1) {
        if (!first) out += ',';
        first = false;
        if (lowest(b) & kings) out += 'K';
        out += std::to_string(lowest_square(b));
    }
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// Whitespace of any kind around a part, as a FEN copied from a file or a tag may have.
std::string_view trim(std::string_view s) {
    while (!s.empty() && (is_blank(s.front()) || s.front() == '"')) s.remove_prefix(1);
    while (!s.empty() && (is_blank(s.back()) || s.back() == '"' || s.back() == '.')) s.remove_suffix(1);
    return s;
}

// A piece of the text as an error message may show it: quoted, control characters escaped.
std::string shown(std::string_view s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\t') out += "\\t";
        else if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) out += c;
        else {
            constexpr char hex[] = "0123456789abcdef";
            const auto u = static_cast<unsigned char>(c);
            out += {'\\', 'x', hex[u >> 4], hex[u & 15]};
        }
    }
    return out + "'";
}

bool read_square(std::string_view text, int &square) {
    text = trim(text);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), square);
    return ec == std::errc() && end == text.data() + text.size() && square >= 1 && square <= square_count;
}

// One list such as "WK5,31-35": adds its pieces to `position`.
bool read_pieces(std::string_view list, Position &position, std::string &error) {
    const Side side = list.front() == 'W' ? Side::white : Side::black;
    list.remove_prefix(1);
    while (!list.empty()) {
        const size_t comma = list.find(',');
        std::string_view item = trim(list.substr(0, comma));
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        const bool king = !item.empty() && item.front() == 'K';
        if (king) item.remove_prefix(1);
        const size_t dash = item.find('-');
        int first = 0;
        int last = 0;
        if (!read_square(item.substr(0, dash), first) ||
            !read_square(dash == std::string_view::npos ? item : item.substr(dash + 1), last) || last < first) {
            error = shown(item) + " is not a square 1-50 or a range of them";
            return false;
        }
        for (int s = first; s <= last; ++s) {
            if (position.occupied() & square_bit(s)) {
                error = "square " + std::to_string(s) + " is given twice";
                return false;
            }
            position.pieces[static_cast<int>(side)] |= square_bit(s);
            if (king) position.kings |= square_bit(s);
        }
    }
    return true;
}

} // namespace

std::string to_fen(const Position &position) {
    std::string out = position.to_move == Side::white ? "W:" : "B:";
    append_pieces(out, 'W', position.white(), position.kings);
    out += ':';
    append_pieces(out, 'B', position.black(), position.kings);
    return out;
}

std::optional<Position> parse_fen(std::string_view text, std::string &error) {
    text = trim(text);
    Position position;
    const size_t first_colon = text.find(':');
    const std::string_view side = trim(text.substr(0, first_colon));
    if (first_colon == std::string_view::npos || (side != "W" && side != "B")) {
        error = "a FEN starts with the side to move, W: or B:";
        return std::nullopt;
    }
    position.to_move = side == "W" ? Side::white : Side::black;
    text.remove_prefix(first_colon + 1);
    bool seen[2] = {false, false};
    while (!text.empty()) {
        const size_t colon = text.find(':');
        const std::string_view list = trim(text.substr(0, colon));
        text = colon == std::string_view::npos ? std::string_view() : text.substr(colon + 1);
        const int which = list.empty() ? -1 : list.front() == 'W' ? 0 : list.front() == 'B' ? 1 : -1;
        if (which < 0 || seen[which]) {
            error = shown(list) + " should be one list of W or B pieces";
            return std::nullopt;
        }
        seen[which] = true;
        if (!read_pieces(list, position, error)) return std::nullopt;
    }
    return position;
}

} // namespace draughts
