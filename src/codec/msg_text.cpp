// msg_text.cpp - MsgText operations and the fixed-position field readers.
#include "codec/msg_text.h"

#include <cstring>

namespace kvn {

namespace {

char seven_bits(char c) { return static_cast<char>(static_cast<unsigned char>(c) & 0x7F); }

} // namespace

void MsgText::clear() {
    chars[0] = '\0';
    chars[capacity] = '\0';
    cursor = 0;
}

void MsgText::copy_from(const MsgText &other) {
    if (&other == this) return;
    std::memcpy(chars, other.chars, sizeof chars);
    cursor = 0;
}

void MsgText::set_from_string(const char *s) {
    clear();
    int32_t n = 0;
    for (; n < capacity && s[n] != '\0'; ++n) chars[n] = seven_bits(s[n]);
    std::memset(chars + n, 0, sizeof chars - static_cast<size_t>(n));
    cursor = 0;
}

void read_name(const char *text, size_t length, uint32_t position, char *destination) {
    if (destination == nullptr) return;
    if (field_runs_past_end(length, position, 32)) {
        destination[0] = '\0';
        return;
    }
    std::memcpy(destination, text + position, 32);
    destination[32] = '\0';
    for (int i = 31; i >= 0 && destination[i] == ' '; --i) destination[i] = '\0';
}

} // namespace kvn
