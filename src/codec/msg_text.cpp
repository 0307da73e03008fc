// msg_text.cpp - MsgText operations and the fixed-position field readers.
#include "codec/msg_text.h"

#include <cstring>

namespace kvn {

void MsgText::clear() {
    chars[0] = '\0';
    chars[capacity] = '\0';
    cursor = 0;
}

bool MsgText::append_char(char c) {
    if (cursor >= capacity) return false;
    chars[cursor] = static_cast<char>(static_cast<unsigned char>(c) & 0x7F);
    ++cursor;
    chars[cursor] = '\0';
    return true;
}

bool MsgText::append_number(int32_t value, int32_t width) {
    if (width > 4) return false;
    const int32_t digits = width >= 2 ? width : 1;
    int32_t divisor = 1;
    for (int32_t i = 1; i < digits; ++i) divisor *= 10;
    bool stored = false;
    for (; divisor >= 1; divisor /= 10) {
        // Negative values are written as all zeros rather than with a sign.
        const int32_t digit = value < 0 ? 0 : (value / divisor) % 10;
        stored = append_char(static_cast<char>('0' + digit));
    }
    return stored;
}

void MsgText::copy_from(const MsgText &other) {
    if (&other == this) return;
    std::memcpy(chars, other.chars, sizeof chars);
    cursor = 0;
}

void MsgText::set_from_string(const char *s) {
    clear();
    int32_t n = 0;
    for (; n < capacity && s[n] != '\0'; ++n)
        chars[n] = static_cast<char>(static_cast<unsigned char>(s[n]) & 0x7F);
    std::memset(chars + n, 0, sizeof chars - static_cast<size_t>(n));
    cursor = 0;
}

namespace {

// position + width > length, without the sum wrapping round where size_t
// is 32 bits wide (the 32-bit DLL).
bool runs_past_end(size_t length, uint32_t position, uint32_t width) {
    return position > length || width > length - position;
}

} // namespace

uint32_t read_number(const char *text, uint32_t position, uint32_t width) {
    const size_t length = std::strlen(text);
    if (runs_past_end(length, position, width)) return 0;
    uint32_t value = 0;
    for (uint32_t i = 0; i < width; ++i) {
        const char c = text[position + i];
        value = value * 10 + (c >= '0' && c <= '9' ? static_cast<uint32_t>(c - '0') : 0u);
    }
    return value;
}

void read_name(const char *text, uint32_t position, char *destination) {
    if (destination == nullptr) return;
    if (runs_past_end(std::strlen(text), position, 32)) {
        destination[0] = '\0';
        return;
    }
    std::memcpy(destination, text + position, 32);
    destination[32] = '\0';
    for (int i = 31; i >= 0 && destination[i] == ' '; --i) destination[i] = '\0';
}

} // namespace kvn
