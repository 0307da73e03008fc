// codec_test_support.h - record builders and text helpers shared by the codec tests.
#pragma once

#include <cstring>
#include <string>

#include "codec/codec.h"

namespace kvn_test {

// A record whose every byte is `fill`, so that untouched bytes stand out.
inline kvn_message filled_record(unsigned char fill) {
    kvn_message m;
    std::memset(&m, fill, sizeof m);
    return m;
}

// The field readers on a whole NUL-terminated text.
inline uint32_t read_number(const char *text, uint32_t position, uint32_t width) {
    return kvn::read_number(text, std::strlen(text), position, width);
}

inline void read_name(const char *text, uint32_t position, char *destination) {
    if (destination == nullptr) return;
    kvn::read_name(text, std::strlen(text), position, destination);
}

inline kvn_message zero_record(int32_t type) {
    kvn_message m = filled_record(0);
    m.type = type;
    return m;
}

inline void set_initial_position(kvn_game_request &r) {
    r.side_to_move = kvn::initial_side_to_move;
    for (int i = 0; i < 50; ++i) r.squares[i] = kvn::initial_squares[i];
}

// Encodes into a buffer that starts full of junk, as a fresh heap block would.
inline kvn::MsgText encode_text(const kvn_message &m) {
    kvn::MsgText text;
    std::memset(&text, 'x', sizeof text);
    kvn::encode_message(m, text);
    return text;
}

inline std::string encode(const kvn_message &m) { return encode_text(m).chars; }

inline kvn_message decode(const std::string &wire) {
    kvn_message m = zero_record(0);
    kvn::decode_message(wire.c_str(), m);
    return m;
}

inline std::string spaces(size_t n) { return std::string(n, ' '); }

// The 32-position name field as the encoder pads it.
inline std::string name_field(const std::string &name) { return name + spaces(32 - name.size()); }

} // namespace kvn_test
