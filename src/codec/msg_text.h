// msg_text.h - the fixed buffer that holds one wire text, and the field readers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kvn {

// One wire text: at most 127 seven-bit characters and a NUL, so chars[127]
// is always NUL.  cursor is the build position; it is 0 when a finished text
// is handed on.
struct MsgText {
    static constexpr int32_t capacity = 127;

    char chars[128];
    int32_t cursor;

    void clear();
    bool append_char(char c);
    bool append_number(int32_t value, int32_t width);
    // Same effect as append_char on each of the `count` characters of s in
    // turn (NULs included), in one pass; false if any character was refused.
    bool append_chars(const char *s, int32_t count);
    void copy_from(const MsgText &other);
    void set_from_string(const char *s);
};

// append_char, append_chars and append_number are inline: the encoder calls
// them with constant widths, and inlined they unroll into a few stores.
inline bool MsgText::append_char(char c) {
    // The unsigned comparison also refuses a negative cursor.
    if (static_cast<uint32_t>(cursor) >= static_cast<uint32_t>(capacity)) return false;
    chars[cursor] = static_cast<char>(static_cast<unsigned char>(c) & 0x7F);
    ++cursor;
    chars[cursor] = '\0';
    return true;
}

inline bool MsgText::append_chars(const char *s, int32_t count) {
    if (count <= 0) return true;
    const bool cursor_valid = cursor >= 0 && cursor < capacity;
    const int32_t room = cursor_valid ? capacity - cursor : 0;
    const int32_t stored = count < room ? count : room;
    if (stored == 0) return false;
    // A local index lets the loop run in registers; storing through chars
    // would otherwise force cursor to be reloaded after every character.
    char *out = chars + cursor;
    for (int32_t i = 0; i < stored; ++i) out[i] = static_cast<char>(static_cast<unsigned char>(s[i]) & 0x7F);
    cursor += stored;
    chars[cursor] = '\0';
    return stored == count;
}

inline bool MsgText::append_number(int32_t value, int32_t width) {
    if (width > 4) return false;
    const int32_t digits = width >= 2 ? width : 1;
    // Negative values are written as all zeros rather than with a sign.
    uint32_t rest = value < 0 ? 0u : static_cast<uint32_t>(value);
    char field[4];
    for (int32_t i = digits - 1; i >= 0; --i) {
        field[i] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    }
    // Refusal is final once the buffer is full, so "any digit refused" is
    // the same as "the last digit refused".
    return append_chars(field, digits);
}

// The field readers take the text's length (strlen(text)) from the caller,
// so that decoding a record measures the text only once.

// Value of the decimal field of `width` characters at `position`; 0 when the
// field does not lie wholly inside the text.  Non-digits count as 0.
uint32_t read_number(const char *text, size_t length, uint32_t position, uint32_t width);

// Copies the 32-character name field at `position` into a 33-character
// destination and strips trailing spaces; a field cut short reads as "".
void read_name(const char *text, size_t length, uint32_t position, char *destination);

// position + width > length, without the sum wrapping round where size_t
// is 32 bits wide (the 32-bit DLL).
inline bool field_runs_past_end(size_t length, uint32_t position, uint32_t width) {
    return position > length || width > length - position;
}

// Inline so that the decoder's constant widths unroll.
inline uint32_t read_number(const char *text, size_t length, uint32_t position, uint32_t width) {
    if (field_runs_past_end(length, position, width)) return 0;
    uint32_t value = 0;
    for (uint32_t i = 0; i < width; ++i) {
        const char c = text[position + i];
        value = value * 10 + (c >= '0' && c <= '9' ? static_cast<uint32_t>(c - '0') : 0u);
    }
    return value;
}

} // namespace kvn
