// msg_text.h - the fixed buffer that holds one wire text, and the field readers.
#pragma once

#include <cstdint>

namespace kvn {

// One wire text: at most 127 seven-bit characters and a NUL, so chars[127]
// is always NUL.  cursor is the build position (or, for the serial sender,
// the next byte to send); it is 0 when a finished text is handed on.
struct MsgText {
    static constexpr int32_t capacity = 127;

    char chars[128];
    int32_t cursor;

    void clear();
    bool append_char(char c);
    bool append_number(int32_t value, int32_t width);
    void copy_from(const MsgText &other);
    void set_from_string(const char *s);
};

// Value of the decimal field of `width` characters at `position`; 0 when the
// field does not lie wholly inside the text.  Non-digits count as 0.
uint32_t read_number(const char *text, uint32_t position, uint32_t width);

// Copies the 32-character name field at `position` into a 33-character
// destination and strips trailing spaces; a field cut short reads as "".
void read_name(const char *text, uint32_t position, char *destination);

} // namespace kvn
